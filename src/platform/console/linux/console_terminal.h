// Console terminal: the output target, the raw keyboard on /dev/tty, the terminal's size, and
// putting the terminal's modes back on every way out (normal end, exit, signals).
#pragma once

#include <cstdint>
#include <string>

#include "platform/console/linux/console_keys.h"
#include "platform/files/write_all.h"  // the console writes its terminal with WriteAll

// What the terminal set-up found.
struct TerminalStart {
  bool stdOutIsTerminal = false;
  int outputFd = -1;  // 1 or 2; -1 when neither is a terminal (plain lines on standard error)
  // /dev/tty is open in raw mode (with or without an output terminal); never for a program
  // started in the background.
  bool keyboard = false;
  int rows = 25;
  int columns = 80;
  int cursorRow = 0;  // the terminal's cursor at start; 0 when it did not answer
  int cursorColumn = 0;
};

// Chooses the output terminal, puts /dev/tty in raw mode, installs the restoring signal
// handlers and asks the terminal for its size and cursor. Keys typed meanwhile go to keys.
TerminalStart StartTerminal(KeyQueue& keys);
// Puts the terminal modes back, closes /dev/tty and removes the signal handlers.
void StopTerminal();

// Gives the terminal its original modes while a program we started uses it; no key is read
// meanwhile.
void LendTerminal();
// Takes raw mode back after LendTerminal and asks for a full redraw.
void TakeTerminalBack();
// Writes bytes to the keyboard's terminal (the echo of typing when console text goes
// elsewhere).
void EchoOnKeyboard(const std::string& bytes);

// The output terminal's size; false when it cannot be read.
bool TerminalSize(int& rows, int& columns);
// True once after the terminal was resized.
bool TakeResizeRequest();
// True once after the program came back from a stop and must draw its screen again.
bool TakeRedrawRequest();

// The sequences a signal handler writes on the way out (kept ready for it).
void SetLeaveSequence(const std::string& sequence);

// Appends the bytes waiting on the keyboard; false when the keyboard is gone.
bool ReadKeyBytes(KeyQueue& keys);
// Waits until keyboard bytes arrive or the time (-1: no limit) passes; false when it is gone.
bool WaitForKeyBytes(int timeoutMilliseconds);

// A clock for key timing.
int64_t MonotonicMilliseconds();
