// Console rendering: the ANSI/VT sequences that bring a terminal from what it shows to the
// screen model, sending only what changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/console/console_screen.h"

// What the terminal shows, as far as the program knows.
struct TerminalView {
  int rows = 0;
  int columns = 0;
  std::vector<int> cells;  // byte + attribute * 256 of each cell; -1 when unknown
  int cursorRow = 0;       // 0 when unknown
  int cursorColumn = 0;
  int attribute = -1;       // the colour the terminal draws in; -1 when unknown
  int64_t scrollCount = 0;  // the model's scroll count already carried out on the terminal
};

// Takes nothing for known: the view gets the model's size, every cell unknown.
void ForgetTerminalView(TerminalView& view, const ConsoleScreen& screen);

// Appends the sequences that make the terminal show the screen and updates the view. Unknown
// cells are drawn only where the program has written (so the shell's text above stays).
void RenderScreen(const ConsoleScreen& screen, TerminalView& view, std::string& out);

// The colour sequence of an attribute: console colours 1 blue, 2 green, 4 red, 8 bright onto
// ANSI colours (red and blue swap places), foreground 30-37/90-97, background 40-47/100-107.
std::string ColorSequence(unsigned char attribute);

// Sequences for the way out: the terminal's own colours, the cursor shown and placed on a fresh
// line below everything the program left on the screen.
std::string LeaveSequence(const ConsoleScreen& screen);
