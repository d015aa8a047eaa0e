// Console rendering: scrolls, changed cells, colours and the cursor as ANSI/VT sequences.
#include "platform/console/linux/console_render.h"

#include <algorithm>

#include "base/code_pages.h"
#include "base/cp437.h"

// Cursor addressing to a 1-based row and column.
static void AppendMove(std::string& out, int row, int column) {
  out += "\x1b[" + std::to_string(row) + ';' + std::to_string(column) + 'H';
}

// The ANSI colour number (0-7) of a console colour's low three bits: red and blue swapped.
static int AnsiColor(int color) {
  const int base = color & 7;
  return ((base & 1) << 2) | (base & 2) | ((base & 4) >> 2);
}

// The view's value for a model cell: its byte and colour, or (below -1) its character and
// colour.
static int ViewValue(const ScreenCell& cell) {
  if (cell.character) return -2 - (cell.character * 256 + cell.attribute);
  return cell.byte + cell.attribute * 256;
}

// The UTF-8 the terminal draws a cell with.
static std::string CellGlyph(const ScreenCell& cell) {
  if (cell.character) return Utf16ToUtf8(std::u16string(1, cell.character));
  return Cp437Glyph(cell.byte);
}

// Marks everything on the terminal unknown, at the model's size.
void ForgetTerminalView(TerminalView& view, const ConsoleScreen& screen) {
  view.rows = screen.rows;
  view.columns = screen.columns;
  view.cells.assign(static_cast<size_t>(screen.rows) * static_cast<size_t>(screen.columns), -1);
  view.cursorRow = 0;
  view.cursorColumn = 0;
  view.attribute = -1;
  view.scrollCount = screen.scrollCount;
}

// SGR sequence of a console attribute.
std::string ColorSequence(unsigned char attribute) {
  const int foreground = attribute & 15;
  const int background = attribute >> 4;
  const int foregroundCode = ((foreground & 8) != 0 ? 90 : 30) + AnsiColor(foreground);
  const int backgroundCode = ((background & 8) != 0 ? 100 : 40) + AnsiColor(background);
  return "\x1b[0;" + std::to_string(foregroundCode) + ';' + std::to_string(backgroundCode) + 'm';
}

// Carries out on the terminal the scrolls the model made since the last rendering.
static void RenderScrolls(const ConsoleScreen& screen, TerminalView& view, std::string& out) {
  const int64_t scrolls = screen.scrollCount - view.scrollCount;
  view.scrollCount = screen.scrollCount;
  if (scrolls <= 0) return;
  const int lines = static_cast<int>(std::min<int64_t>(scrolls, view.rows));
  // Line feeds on the bottom row, so the lost rows go to the terminal's history. The terminal
  // fills the new rows with blanks in the colour it draws in: the model's current colour.
  const unsigned char attribute = CurrentAttribute(screen);
  if (view.attribute != attribute) {
    out += ColorSequence(attribute);
    view.attribute = attribute;
  }
  AppendMove(out, view.rows, 1);
  out.append(static_cast<size_t>(lines), '\n');
  const size_t shift = static_cast<size_t>(lines) * static_cast<size_t>(view.columns);
  std::move(view.cells.begin() + static_cast<std::ptrdiff_t>(shift), view.cells.end(),
            view.cells.begin());
  std::fill(view.cells.end() - static_cast<std::ptrdiff_t>(shift), view.cells.end(),
            ' ' + attribute * 256);
  view.cursorRow = view.rows;
  view.cursorColumn = 1;
}

// True when a glyph takes exactly one column on every terminal (no control-byte picture).
static bool PlainByte(unsigned char byte) {
  return byte >= 0x20 && byte != 0x7F;
}

// Brings the terminal's cursor to a cell on the way to drawing it: a short run of unchanged
// cells in the drawing colour is drawn again, as that is shorter than addressing the cursor.
static void ReachCell(const ConsoleScreen& screen, TerminalView& view, int row, int column,
                      std::string& out) {
  if (view.cursorRow == row && view.cursorColumn == column) return;
  const int gap = column - view.cursorColumn;
  bool redraw = view.cursorRow == row && gap > 0 && gap <= 4;
  for (int between = view.cursorColumn; redraw && between < column; between++) {
    const ScreenCell& cell = CellAt(screen, row, between);
    const int shown = view.cells[static_cast<size_t>(row - 1) * static_cast<size_t>(view.columns) +
                                 static_cast<size_t>(between - 1)];
    redraw = shown == ViewValue(cell) && cell.attribute == view.attribute && PlainByte(cell.byte);
  }
  if (!redraw) {
    AppendMove(out, row, column);
  } else {
    for (int between = view.cursorColumn; between < column; between++) {
      out += CellGlyph(CellAt(screen, row, between));
    }
  }
  view.cursorRow = row;
  view.cursorColumn = column;
}

// Scrolls, changed cells and the cursor, as sequences.
void RenderScreen(const ConsoleScreen& screen, TerminalView& view, std::string& out) {
  if (view.rows != screen.rows || view.columns != screen.columns) {
    ForgetTerminalView(view, screen);
  }
  RenderScrolls(screen, view, out);
  for (int row = 1; row <= screen.rows; row++) {
    for (int column = 1; column <= screen.columns; column++) {
      const ScreenCell& cell = CellAt(screen, row, column);
      int& shown = view.cells[static_cast<size_t>(row - 1) * static_cast<size_t>(view.columns) +
                              static_cast<size_t>(column - 1)];
      if (shown == -1 ? !cell.written : shown == ViewValue(cell)) continue;
      ReachCell(screen, view, row, column, out);
      if (view.attribute != cell.attribute) {
        out += ColorSequence(cell.attribute);
        view.attribute = cell.attribute;
      }
      out += CellGlyph(cell);
      shown = ViewValue(cell);
      // After the last column the terminal waits to wrap; after a picture of a control byte
      // some terminals draw two columns: address the next cell afresh in both cases.
      if (column < screen.columns && PlainByte(cell.byte)) {
        view.cursorRow = row;
        view.cursorColumn = column + 1;
      } else {
        view.cursorRow = 0;
        view.cursorColumn = 0;
      }
    }
  }
  if (view.cursorRow != screen.cursorRow || view.cursorColumn != screen.cursorColumn) {
    AppendMove(out, screen.cursorRow, screen.cursorColumn);
    view.cursorRow = screen.cursorRow;
    view.cursorColumn = screen.cursorColumn;
  }
}

// Colours reset, cursor shown and on a fresh line below the text.
std::string LeaveSequence(const ConsoleScreen& screen) {
  // The first row below the cursor's line (when that line holds text) and below every row
  // that shows text.
  int row = screen.cursorRow;
  if (screen.cursorColumn > 1 || screen.pendingScroll) row++;
  for (int below = screen.rows; below > row - 1 && below >= 1; below--) {
    bool text = false;
    for (int column = 1; column <= screen.columns && !text; column++) {
      const ScreenCell& cell = CellAt(screen, below, column);
      text = cell.written && cell.byte != ' ' && cell.byte != 0 && cell.byte != 0xFF;
    }
    if (text) {
      row = below + 1;
      break;
    }
  }
  std::string out = "\x1b[0m\x1b[?25h";
  if (row <= screen.rows) {
    AppendMove(out, row, 1);
  } else {
    AppendMove(out, screen.rows, 1);
    for (int line = screen.rows; line < row; line++) out += "\r\n";
  }
  return out;
}
