// Console screen model: the cells, cursor, colour and pending scroll that the terminal shows.
//
// Pure data and rules, no terminal: the console operations change this model and the
// renderer (console_render.h) sends the difference to the terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One character cell: the byte shown, its colour (background * 16 + foreground), and whether
// the program has ever written it (cells never written may still show the shell's text).
struct ScreenCell {
  unsigned char byte = ' ';
  unsigned char attribute = 7;
  bool written = false;
  // A character shown instead of the byte's glyph, for text in another code page than the
  // console's (0: the byte's code page 437 glyph); byte then holds its nearest 437 byte.
  char16_t character = 0;
};

struct ConsoleScreen {
  int columns = 80;
  int rows = 25;
  std::vector<ScreenCell> cells;  // rows * columns, row by row, row 1 stored at topRow
  int topRow = 0;                 // 0-based storage row of screen row 1 (scrolling turns it)
  int cursorRow = 1;              // 1-based
  int cursorColumn = 1;           // 1-based
  int foreground = 7;
  int background = 0;
  bool pendingScroll = false;
  // Rows scrolled since the model was made; the renderer scrolls the terminal by the change.
  int64_t scrollCount = 0;
};

// A fresh screen: blanks in light grey on black, never written, cursor at row 1, column 1.
void ResetScreen(ConsoleScreen& screen, int rows, int columns);
// New size; content keeps its place from the left; with fewer rows the cursor's row stays in
// view (rows above go off the top, the cursor moves up with its text).
void ResizeScreen(ConsoleScreen& screen, int rows, int columns);

// The cell at a 1-based row and column (both must be in range).
ScreenCell& CellAt(ConsoleScreen& screen, int row, int column);
const ScreenCell& CellAt(const ConsoleScreen& screen, int row, int column);
// The current attribute: background * 16 + foreground.
unsigned char CurrentAttribute(const ConsoleScreen& screen);

// Writes bytes at the cursor: none interpreted, wrap at the last column, a pending scroll
// instead of a scroll after the bottom-right cell.
void ScreenWrite(ConsoleScreen& screen, const std::string& text);
// Writes characters at the cursor as ScreenWrite writes bytes: each in one cell, shown as
// itself (a character code page 437 has keeps its byte, any other is kept beside a "?").
void ScreenWriteCharacters(ConsoleScreen& screen, const std::u16string& text);
// How many spaces reach the next 14-column print zone: 14 - (c mod 14), c the 0-based column.
int ZoneSpaces(const ConsoleScreen& screen);
// Writes those spaces by the text rule (so they wrap and scroll).
void ScreenPrintZone(ConsoleScreen& screen);
// Column 1 of the next row; scrolls on the bottom row (twice when a scroll is pending).
void ScreenNewLine(ConsoleScreen& screen);
// Column 1 of the same row (a carriage return of standard output on the console).
void ScreenCarriageReturn(ConsoleScreen& screen);
// Every cell a space in the current colour; cursor to row 1, column 1.
void ScreenClear(ConsoleScreen& screen);
// A component of 16 or more (or below 0) leaves that component unchanged.
void ScreenColor(ConsoleScreen& screen, int foreground, int background);
// A coordinate outside the screen (0 included) is kept; the pending scroll is cleared.
void ScreenLocate(ConsoleScreen& screen, int row, int column);
// Rubs out the cell before the cursor: back one cell (across rows), a space, cursor there.
void ScreenBackspace(ConsoleScreen& screen);

// The longest line that line input collects.
constexpr size_t LineInputLimit = 10000;

// Line input: one key applied to the line being typed. A byte of 32 or more is added and
// echoed (up to LineInputLimit bytes); Backspace (8) rubs the last one out; other bytes below
// 32 and keys without a character are ignored; Enter (13) ends the line with a new line and
// gives true.
bool ScreenLineKey(ConsoleScreen& screen, std::string& line, const std::string& key);

// The bytes of one row, as stored (for tests and diagnostics).
std::string ScreenRowText(const ConsoleScreen& screen, int row);

// The console's own screen model, as the console operations left it (for tests of callers).
const ConsoleScreen& CurrentConsoleScreen();
