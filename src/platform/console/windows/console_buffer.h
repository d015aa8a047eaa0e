// Console buffer: bringing a Windows console screen buffer to what the screen model holds,
// row by row, with WriteConsoleOutputA, ScrollConsoleScreenBufferA and the cursor calls.
//
// The model's rows and columns are the buffer's (the whole buffer, not the visible window).
// Only rows that an operation may have changed are compared, so a buffer of thousands of rows
// costs no more per line than a small one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/console/console_screen.h"

// What the buffer shows, as far as the program knows.
struct BufferView {
  HANDLE output = INVALID_HANDLE_VALUE;
  int rows = 0;
  int columns = 0;
  std::vector<int> cells;  // byte or character, and colour, of each cell; -1 when unknown
  int cursorRow = 0;       // 0 when unknown
  int cursorColumn = 0;
  int64_t scrollCount = 0;  // the model's scroll count already carried out on the buffer
};

// Takes nothing for known: the view gets the model's size, every cell unknown. Unknown cells
// are drawn only where the program has written, so the text already in the buffer stays.
void ForgetBufferView(BufferView& view, const ConsoleScreen& screen);

// Carries out the model's scrolls, draws the cells of rows first..last (clipped to the
// screen) that differ from the view, and places the cursor.
void DrawRows(const ConsoleScreen& screen, BufferView& view, int firstRow, int lastRow);

// Blanks the whole buffer in the model's current colour in two calls (a buffer may hold
// thousands of rows) and takes the blanks for known.
void ClearBuffer(const ConsoleScreen& screen, BufferView& view);

// The row where text written after the program ends goes: the first row below the cursor's
// line (when that line holds text) and below every row that shows the program's text; it may
// be past the bottom row, by as many rows as the buffer must scroll.
int LeaveRow(const ConsoleScreen& screen);
// Scrolls the buffer so that a row past the bottom is in it, and puts the cursor at its
// column 1.
void PlaceCursorForLeaving(BufferView& view, int row, WORD attribute);
