// Console buffer: scrolls, changed cells and the cursor, as Win32 console calls.
#include "platform/console/windows/console_buffer.h"

#include <algorithm>

namespace {

// The view's value for a model cell: its byte and colour, or (below -1) its character and
// colour.
int ViewValue(const ScreenCell& cell) {
  if (cell.character) return -2 - (cell.character * 256 + cell.attribute);
  return cell.byte + cell.attribute * 256;
}

// The view's slot of a 1-based row and column.
int& ViewCell(BufferView& view, int row, int column) {
  return view.cells[static_cast<size_t>(row - 1) * static_cast<size_t>(view.columns) +
                    static_cast<size_t>(column - 1)];
}

// Moves every row of the buffer up by lines; the rows coming in at the bottom are blanks in
// the attribute.
void ScrollBuffer(BufferView& view, int lines, WORD attribute) {
  if (lines <= 0) return;
  // The rows below the lost ones move to the top; what they leave behind is filled. (Moving
  // the whole buffer to a destination above the top is the same on Windows, but Wine refuses
  // a destination outside the buffer.)
  CHAR_INFO fill{};
  fill.Char.AsciiChar = ' ';
  fill.Attributes = attribute;
  if (lines < view.rows) {
    SMALL_RECT kept{0, static_cast<SHORT>(lines), static_cast<SHORT>(view.columns - 1),
                    static_cast<SHORT>(view.rows - 1)};
    ScrollConsoleScreenBufferA(view.output, &kept, nullptr, COORD{0, 0}, &fill);
  } else {
    DWORD filled = 0;
    const DWORD cells = static_cast<DWORD>(view.rows) * static_cast<DWORD>(view.columns);
    FillConsoleOutputCharacterA(view.output, ' ', cells, COORD{0, 0}, &filled);
    FillConsoleOutputAttribute(view.output, attribute, cells, COORD{0, 0}, &filled);
  }
  const size_t shift = static_cast<size_t>(lines) * static_cast<size_t>(view.columns);
  std::move(view.cells.begin() + static_cast<std::ptrdiff_t>(shift), view.cells.end(),
            view.cells.begin());
  std::fill(view.cells.end() - static_cast<std::ptrdiff_t>(shift), view.cells.end(),
            ' ' + attribute * 256);
}

// Writes columns first..last of a row from the model in one call: bytes in the console's
// code page, or (wide) the characters of cells that hold one.
void WriteRun(const ConsoleScreen& screen, BufferView& view, int row, int first, int last,
              bool wide) {
  std::vector<CHAR_INFO> run(static_cast<size_t>(last - first + 1));
  for (int column = first; column <= last; column++) {
    const ScreenCell& cell = CellAt(screen, row, column);
    CHAR_INFO& info = run[static_cast<size_t>(column - first)];
    if (wide)
      info.Char.UnicodeChar = static_cast<WCHAR>(cell.character);
    else
      info.Char.AsciiChar = static_cast<CHAR>(cell.byte);
    info.Attributes = cell.attribute;
    ViewCell(view, row, column) = ViewValue(cell);
  }
  const SHORT top = static_cast<SHORT>(row - 1);
  SMALL_RECT area{static_cast<SHORT>(first - 1), top, static_cast<SHORT>(last - 1), top};
  const COORD size{static_cast<SHORT>(run.size()), 1};
  if (wide)
    WriteConsoleOutputW(view.output, run.data(), size, COORD{0, 0}, &area);
  else
    WriteConsoleOutputA(view.output, run.data(), size, COORD{0, 0}, &area);
}

// Whether a cell must be drawn: it differs from what is shown, or nothing is known of it and
// the program has written it.
bool NeedsDrawing(const ScreenCell& cell, int shown) {
  return shown == -1 ? cell.written : shown != ViewValue(cell);
}

// Draws the runs of cells of one row that must be drawn.
void DrawRow(const ConsoleScreen& screen, BufferView& view, int row) {
  int column = 1;
  while (column <= screen.columns) {
    if (!NeedsDrawing(CellAt(screen, row, column), ViewCell(view, row, column))) {
      column++;
      continue;
    }
    // A run is all bytes or all characters: one call writes it.
    const int first = column;
    const bool wide = CellAt(screen, row, first).character != 0;
    while (column <= screen.columns &&
           NeedsDrawing(CellAt(screen, row, column), ViewCell(view, row, column)) &&
           (CellAt(screen, row, column).character != 0) == wide)
      column++;
    WriteRun(screen, view, row, first, column - 1, wide);
  }
}

}  // namespace

// Everything unknown, at the model's size.
void ForgetBufferView(BufferView& view, const ConsoleScreen& screen) {
  view.rows = screen.rows;
  view.columns = screen.columns;
  view.cells.assign(static_cast<size_t>(screen.rows) * static_cast<size_t>(screen.columns), -1);
  view.cursorRow = 0;
  view.cursorColumn = 0;
  view.scrollCount = screen.scrollCount;
}

// Scrolls, then the changed cells of the rows, then the cursor.
void DrawRows(const ConsoleScreen& screen, BufferView& view, int firstRow, int lastRow) {
  if (view.rows != screen.rows || view.columns != screen.columns) {
    ForgetBufferView(view, screen);
    firstRow = 1;
    lastRow = screen.rows;
  }
  const int64_t scrolls = screen.scrollCount - view.scrollCount;
  view.scrollCount = screen.scrollCount;
  if (scrolls > 0) {
    // The rows scrolled in are blank in the colour of the moment; the model may have filled
    // them in another colour (a colour change between scrolls), so they are compared too.
    const int lines = static_cast<int>(std::min<int64_t>(scrolls, view.rows));
    ScrollBuffer(view, lines, CurrentAttribute(screen));
    firstRow = std::min(firstRow, view.rows - lines + 1);
    lastRow = view.rows;
  }
  firstRow = std::max(firstRow, 1);
  lastRow = std::min(lastRow, screen.rows);
  for (int row = firstRow; row <= lastRow; row++) DrawRow(screen, view, row);
  if (view.cursorRow != screen.cursorRow || view.cursorColumn != screen.cursorColumn) {
    SetConsoleCursorPosition(view.output, COORD{static_cast<SHORT>(screen.cursorColumn - 1),
                                                static_cast<SHORT>(screen.cursorRow - 1)});
    view.cursorRow = screen.cursorRow;
    view.cursorColumn = screen.cursorColumn;
  }
}

// Every cell a blank in the current colour, then the cursor.
void ClearBuffer(const ConsoleScreen& screen, BufferView& view) {
  if (view.rows != screen.rows || view.columns != screen.columns) ForgetBufferView(view, screen);
  const WORD attribute = CurrentAttribute(screen);
  const DWORD cells = static_cast<DWORD>(view.rows) * static_cast<DWORD>(view.columns);
  DWORD filled = 0;
  FillConsoleOutputCharacterA(view.output, ' ', cells, COORD{0, 0}, &filled);
  FillConsoleOutputAttribute(view.output, attribute, cells, COORD{0, 0}, &filled);
  std::fill(view.cells.begin(), view.cells.end(), ' ' + attribute * 256);
  view.scrollCount = screen.scrollCount;
  DrawRows(screen, view, 1, 0);
}

// Below the cursor's text and below every row showing the program's text.
int LeaveRow(const ConsoleScreen& screen) {
  int row = screen.cursorRow;
  if (screen.cursorColumn > 1 || screen.pendingScroll) row++;
  for (int below = screen.rows; below > row - 1 && below >= 1; below--) {
    for (int column = 1; column <= screen.columns; column++) {
      const ScreenCell& cell = CellAt(screen, below, column);
      if (cell.written && cell.byte != ' ' && cell.byte != 0 && cell.byte != 0xFF) return below + 1;
    }
  }
  return row;
}

// Scrolls as far as the row needs and puts the cursor at its start.
void PlaceCursorForLeaving(BufferView& view, int row, WORD attribute) {
  if (view.output == INVALID_HANDLE_VALUE || view.rows < 1) return;
  if (row > view.rows) {
    ScrollBuffer(view, std::min(row - view.rows, view.rows), attribute);
    row = view.rows;
  }
  SetConsoleCursorPosition(view.output, COORD{0, static_cast<SHORT>(row - 1)});
  view.cursorRow = row;
  view.cursorColumn = 1;
}
