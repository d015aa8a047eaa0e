// Console screen model: the rules by which text, zones, new lines and moves change the cells.
#include "platform/console/console_screen.h"

#include <algorithm>

#include "base/cp437.h"
#include "base/print_zones.h"

// Index of a 1-based row and column in the cell vector, whose rows are a ring starting at
// topRow.
static size_t CellIndex(const ConsoleScreen& screen, int row, int column) {
  int stored = screen.topRow + row - 1;
  if (stored >= screen.rows) stored -= screen.rows;
  return static_cast<size_t>(stored) * static_cast<size_t>(screen.columns) +
         static_cast<size_t>(column - 1);
}

// A blank in the given attribute, counted as written by the program.
static ScreenCell WrittenBlank(unsigned char attribute) {
  return ScreenCell{' ', attribute, true};
}

// Every row up by one; the top row is lost, the bottom row becomes spaces in the current colour.
// The ring turns by a row instead of moving every cell (a long echo scrolls on every line).
static void ScrollUp(ConsoleScreen& screen) {
  const auto width = static_cast<std::ptrdiff_t>(screen.columns);
  const auto lost = screen.cells.begin() + screen.topRow * width;
  std::fill(lost, lost + width, WrittenBlank(CurrentAttribute(screen)));
  screen.topRow = screen.topRow + 1 == screen.rows ? 0 : screen.topRow + 1;
  screen.scrollCount++;
}

// A blank screen of the size, light grey on black, cursor home.
void ResetScreen(ConsoleScreen& screen, int rows, int columns) {
  screen.rows = std::max(rows, 1);
  screen.columns = std::max(columns, 1);
  screen.cells.assign(static_cast<size_t>(screen.rows) * static_cast<size_t>(screen.columns),
                      ScreenCell{});
  screen.topRow = 0;
  screen.cursorRow = 1;
  screen.cursorColumn = 1;
  screen.foreground = 7;
  screen.background = 0;
  screen.pendingScroll = false;
}

// A new size. Columns keep their place from the left. Fewer rows keep the cursor's row in
// view as a terminal does: rows above it go off the top when the cursor would fall below the
// bottom, and the cursor moves up with its text.
void ResizeScreen(ConsoleScreen& screen, int rows, int columns) {
  rows = std::max(rows, 1);
  columns = std::max(columns, 1);
  if (rows == screen.rows && columns == screen.columns) return;
  const int shift = std::max(0, screen.cursorRow - rows);
  std::vector<ScreenCell> cells(static_cast<size_t>(rows) * static_cast<size_t>(columns));
  const int keptRows = std::min(rows, screen.rows - shift);
  const int keptColumns = std::min(columns, screen.columns);
  for (int row = 1; row <= keptRows; row++) {
    for (int column = 1; column <= keptColumns; column++) {
      cells[static_cast<size_t>(row - 1) * static_cast<size_t>(columns) +
            static_cast<size_t>(column - 1)] = CellAt(screen, row + shift, column);
    }
  }
  screen.cells = std::move(cells);
  screen.topRow = 0;
  screen.rows = rows;
  screen.columns = columns;
  screen.cursorRow -= shift;
  if (screen.cursorColumn > columns) screen.cursorColumn = columns;
  if (screen.pendingScroll && screen.cursorRow != rows) screen.pendingScroll = false;
}

// The cell at a row and column.
ScreenCell& CellAt(ConsoleScreen& screen, int row, int column) {
  return screen.cells[CellIndex(screen, row, column)];
}

// The cell at a row and column, read only.
const ScreenCell& CellAt(const ConsoleScreen& screen, int row, int column) {
  return screen.cells[CellIndex(screen, row, column)];
}

// Background * 16 + foreground.
unsigned char CurrentAttribute(const ConsoleScreen& screen) {
  return static_cast<unsigned char>(screen.background * 16 + screen.foreground);
}

static void ScreenWriteCells(ConsoleScreen& screen, const std::string& text,
                             const std::u16string* characters);

// Places each byte under the cursor and moves on, wrapping and scrolling.
void ScreenWrite(ConsoleScreen& screen, const std::string& text) {
  ScreenWriteCells(screen, text, nullptr);
}

// ScreenWriteCharacters() - Each character as its code page 437 byte where it has one.
// A document's echo goes through here line by line: ASCII is its own byte, and the list of
// characters beyond code page 437 is made only for a text that has one.
void ScreenWriteCharacters(ConsoleScreen& screen, const std::u16string& text) {
  std::string bytes(text.size(), '?');
  std::u16string beyond;  // the characters code page 437 lacks, 0 for the others
  // Read and written through pointers: the compiler need not find the text again after
  // every byte written.
  const char16_t* in = text.data();
  char* out = bytes.data();
  for (size_t index = 0, count = text.size(); index < count; index++) {
    const char16_t character = in[index];
    const int byte = character < 0x80 ? character : Cp437ByteOf(character);
    if (byte >= 0) {
      out[index] = static_cast<char>(byte);
      continue;
    }
    if (beyond.empty()) beyond.assign(text.size(), u'\0');
    beyond[index] = character;
  }
  ScreenWriteCells(screen, bytes, beyond.empty() ? nullptr : &beyond);
}

// ScreenWriteCells() - Bytes into cells from the cursor on, with the characters beyond code
// page 437 beside them when there are any (0 where the byte is the character).
static void ScreenWriteCells(ConsoleScreen& screen, const std::string& text,
                             const std::u16string* characters) {
  const unsigned char attribute = CurrentAttribute(screen);
  size_t next = 0;
  while (next < text.size()) {
    if (screen.pendingScroll) {
      ScrollUp(screen);
      screen.pendingScroll = false;
    }
    // The bytes that go on the cursor's row: the cursor's column and those to its right.
    const int columnsLeft = screen.columns - screen.cursorColumn + 1;
    const size_t room = static_cast<size_t>(columnsLeft);
    const size_t count = std::min(room, text.size() - next);
    ScreenCell* cell = &CellAt(screen, screen.cursorRow, screen.cursorColumn);
    for (size_t i = 0; i < count; i++) {
      cell[i] = ScreenCell{static_cast<unsigned char>(text[next + i]), attribute, true, 0};
      if (characters) cell[i].character = (*characters)[next + i];
    }
    next += count;
    if (count < room) {
      screen.cursorColumn += static_cast<int>(count);
      break;
    }
    screen.cursorColumn = 1;
    if (screen.cursorRow < screen.rows) {
      screen.cursorRow++;
    } else {
      // A full bottom row stays in view until more output follows.
      screen.pendingScroll = true;
    }
  }
}

// Spaces from the cursor to the next 14-column zone.
int ZoneSpaces(const ConsoleScreen& screen) {
  return BlanksToNextZone(screen.cursorColumn - 1);
}

// Writes the spaces to the next zone.
void ScreenPrintZone(ConsoleScreen& screen) {
  ScreenWrite(screen, std::string(static_cast<size_t>(ZoneSpaces(screen)), ' '));
}

// Column 1 of the next row, scrolling on the bottom row.
void ScreenNewLine(ConsoleScreen& screen) {
  if (screen.pendingScroll) {
    ScrollUp(screen);
    screen.pendingScroll = false;
  }
  screen.cursorColumn = 1;
  if (screen.cursorRow < screen.rows) {
    screen.cursorRow++;
  } else {
    ScrollUp(screen);
  }
}

// Column 1 of the same row.
void ScreenCarriageReturn(ConsoleScreen& screen) {
  // With a scroll pending the cursor already stands at column 1 of the line to come.
  if (!screen.pendingScroll) screen.cursorColumn = 1;
}

// Blanks in the current colour everywhere; cursor home.
void ScreenClear(ConsoleScreen& screen) {
  std::fill(screen.cells.begin(), screen.cells.end(), WrittenBlank(CurrentAttribute(screen)));
  screen.cursorRow = 1;
  screen.cursorColumn = 1;
  screen.pendingScroll = false;
}

// Sets the components below 16.
void ScreenColor(ConsoleScreen& screen, int foreground, int background) {
  if (foreground >= 0 && foreground < 16) screen.foreground = foreground;
  if (background >= 0 && background < 16) screen.background = background;
}

// Moves to the coordinates that are on the screen.
void ScreenLocate(ConsoleScreen& screen, int row, int column) {
  if (row >= 1 && row <= screen.rows) screen.cursorRow = row;
  if (column >= 1 && column <= screen.columns) screen.cursorColumn = column;
  screen.pendingScroll = false;
}

// Back one cell and blanks it.
void ScreenBackspace(ConsoleScreen& screen) {
  if (screen.pendingScroll) {
    // The byte before the cursor is the bottom-right cell that set the pending scroll.
    screen.pendingScroll = false;
    screen.cursorRow = screen.rows;
    screen.cursorColumn = screen.columns;
  } else if (screen.cursorColumn > 1) {
    screen.cursorColumn--;
  } else if (screen.cursorRow > 1) {
    screen.cursorRow--;
    screen.cursorColumn = screen.columns;
  }
  CellAt(screen, screen.cursorRow, screen.cursorColumn) = WrittenBlank(CurrentAttribute(screen));
}

// Applies one typed key to the line and its echo; true at Enter.
bool ScreenLineKey(ConsoleScreen& screen, std::string& line, const std::string& key) {
  if (key.size() != 1) return false;  // no key, or a key without a character
  const unsigned char byte = static_cast<unsigned char>(key[0]);
  if (byte == 13) {
    ScreenNewLine(screen);
    return true;
  }
  if (byte == 8) {
    if (!line.empty()) {
      ScreenBackspace(screen);
      line.pop_back();
    }
    return false;
  }
  if (byte < 32 || line.size() >= LineInputLimit) return false;
  line.push_back(static_cast<char>(byte));
  ScreenWrite(screen, key);
  return false;
}

// The bytes of a row.
std::string ScreenRowText(const ConsoleScreen& screen, int row) {
  std::string text;
  for (int column = 1; column <= screen.columns; column++) {
    text.push_back(static_cast<char>(CellAt(screen, row, column).byte));
  }
  return text;
}
