// Console: the console operations over the screen model, drawn on the terminal or, without
// one, written to standard error as plain lines.
//
// Output goes to standard output when it is a terminal, else to standard error when that is
// one; with neither, text goes to standard error as it is, a new line is "\n", and clearing,
// moving and colours change only the model. Keys come from /dev/tty; without it no key ever
// comes: ConsoleInkey gives "" and ConsoleLineInput gives "" at once, so nothing waits forever.
#include "platform/console/console.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/console/linux/console_keys.h"
#include "platform/console/linux/console_render.h"
#include "platform/console/console_screen.h"
#include "platform/console/linux/console_terminal.h"
#include "base/code_pages.h"
#include "base/cp437.h"
#include "base/error_code.h"
#include "base/number_text.h"

namespace {

// Where console text goes: plain lines on standard error, or a terminal drawn from the model.
enum class ConsoleMode { Plain, Terminal };

// The size of the console when no terminal gives one.
constexpr int PlainRows = 25;
constexpr int PlainColumns = 80;

ConsoleMode Mode = ConsoleMode::Plain;
bool Started = false;
bool StdOutConsole = false;
int OutputFd = 2;
bool KeyboardReady = false;
ConsoleScreen Screen;
TerminalView View;
KeyQueue Keys;

// The model, made on first use (console text may come before ConsoleStart, in tests).
ConsoleScreen& Model() {
  if (Screen.cells.empty()) ResetScreen(Screen, PlainRows, PlainColumns);
  return Screen;
}

// Follows a resize or a return from a stop before the next change: the terminal is cleared
// and everything the program wrote is drawn again.
void FollowTerminal() {
  if (Mode != ConsoleMode::Terminal) return;
  const bool resized = TakeResizeRequest();
  const bool redraw = TakeRedrawRequest();
  if (!resized && !redraw) return;
  int rows = 0;
  int columns = 0;
  if (TerminalSize(rows, columns)) ResizeScreen(Model(), rows, columns);
  ForgetTerminalView(View, Model());
  std::string out = "\x1b[0m\x1b[H\x1b[2J";
  RenderScreen(Model(), View, out);
  WriteAll(OutputFd, out);
}

// Sends the model's changes to the terminal in one write.
void ShowChanges() {
  if (Mode != ConsoleMode::Terminal) return;
  std::string out;
  RenderScreen(Model(), View, out);
  if (!out.empty()) WriteAll(OutputFd, out);
  SetLeaveSequence(LeaveSequence(Model()));
}

// Plain-mode bytes not yet written: a line goes out in one write when it ends. While lines
// are held (ConsoleHoldLines, around a document's echo) they gather up to PlainHoldLimit
// bytes, so echoing a long document does not cost a system call a line; ConsoleFlush, every
// wait (keys, sleeps) and the end of the program write them out.
std::string PlainPending;
bool PlainHolding = false;
constexpr size_t PlainHoldLimit = 32768;

// Writes out the plain-mode bytes held back.
void FlushPlain() {
  if (PlainPending.empty()) return;
  WriteAll(OutputFd, PlainPending);
  PlainPending.clear();
}

// Plain mode: the bytes go to standard error as they are, in whole lines.
void WritePlain(const std::string& bytes) {
  if (Mode != ConsoleMode::Plain || bytes.empty()) return;
  PlainPending += bytes;
  if (PlainPending.size() >= (PlainHolding ? PlainHoldLimit : 4096) ||
      (!PlainHolding && bytes.find('\n') != std::string::npos))
    FlushPlain();
}

// Writes bytes by the text rule, on the model and to the output.
void WriteText(const std::string& text) {
  FollowTerminal();
  ScreenWrite(Model(), text);
  WritePlain(text);
  ShowChanges();
}

// Plain lines go to a file or pipe while a person types on the terminal: the typing is shown
// there, as the console would have echoed it.
void EchoTyping(size_t lengthBefore, const std::string& line, bool done) {
  if (Mode != ConsoleMode::Plain || !KeyboardReady) return;
  if (done) {
    EchoOnKeyboard("\r\n");
  } else if (line.size() > lengthBefore) {
    EchoOnKeyboard(Cp437Glyph(static_cast<unsigned char>(line.back())));
  } else if (line.size() < lengthBefore) {
    EchoOnKeyboard("\b \b");
  }
}

// The console's part at exit: the terminal back as the shell had it.
void StopConsoleAtExit() {
  ConsoleStop();
}

// The next key from the keyboard, or "" when none is complete.
std::string NextKey() {
  if (KeyboardReady && !ReadKeyBytes(Keys)) KeyboardReady = false;
  return TakeKey(Keys, MonotonicMilliseconds());
}

}  // namespace

// Sets the console up once: output target, raw keyboard, the shell's cursor, 7 on 0.
void ConsoleStart() {
  if (Started) return;
  Started = true;
  ConsoleFlush();  // text written before the start goes where it was meant to go
  static bool exitHookSet = false;
  if (!exitHookSet) exitHookSet = std::atexit(StopConsoleAtExit) == 0;

  Keys = KeyQueue{};
  const TerminalStart start = StartTerminal(Keys);
  StdOutConsole = start.stdOutIsTerminal;
  KeyboardReady = start.keyboard;
  if (start.outputFd < 0) {
    // No output terminal: plain lines on standard error (keys still come from /dev/tty when
    // there is one; with no terminal at all no key ever comes).
    Mode = ConsoleMode::Plain;
    OutputFd = 2;
    ResetScreen(Screen, PlainRows, PlainColumns);
    return;
  }
  Mode = ConsoleMode::Terminal;
  OutputFd = start.outputFd;
  ResetScreen(Screen, start.rows, start.columns);
  ForgetTerminalView(View, Screen);
  if (start.cursorRow > 0) {
    // Output goes on where the shell left off.
    ScreenLocate(Screen, start.cursorRow, start.cursorColumn);
    View.cursorRow = Screen.cursorRow;
    View.cursorColumn = Screen.cursorColumn;
  } else {
    ScreenLocate(Screen, Screen.rows, 1);
  }
  ShowChanges();
}

// Gives the terminal back: modes, colours, cursor on a fresh line below the text.
void ConsoleStop() {
  ConsoleFlush();
  if (!Started) return;
  Started = false;
  if (Mode == ConsoleMode::Terminal) {
    ShowChanges();
    WriteAll(OutputFd, LeaveSequence(Model()));
  }
  StopTerminal();
  Mode = ConsoleMode::Plain;
  OutputFd = 2;
  KeyboardReady = false;
  Keys = KeyQueue{};
  ResetScreen(Screen, PlainRows, PlainColumns);
}

// Writes text at the cursor in the current colour; empty text changes nothing.
void ConsolePrint(const std::string& text) {
  if (text.empty()) return;
  WriteText(text);
}

// Characters into the screen model, UTF-8 into plain lines.
void ConsolePrintCharacters(const std::u16string& text) {
  if (text.empty()) return;
  FollowTerminal();
  ScreenWriteCharacters(Model(), text);
  WritePlain(Utf16ToUtf8(text));
  ShowChanges();
}

// Spaces up to the next print zone.
void ConsolePrintZone() {
  WriteText(std::string(static_cast<size_t>(ZoneSpaces(Model())), ' '));
}

// Ends the line (scrolling on the bottom row).
void ConsoleNewLine() {
  FollowTerminal();
  ScreenNewLine(Model());
  WritePlain("\n");
  ShowChanges();
}

// The number's text and one blank.
void ConsolePrintNumber(double number) {
  WriteText(NumberText(number, 15) + " ");
}

// Blanks the screen in the current colour; cursor to row 1, column 1.
void ConsoleClear() {
  FollowTerminal();
  ScreenClear(Model());
  ShowChanges();
}

// Sets the colour of later output.
void ConsoleColor(int foreground, int background) {
  ScreenColor(Model(), foreground, background);
}

// Moves the cursor; coordinates out of range are kept.
void ConsoleLocate(int row, int column) {
  FollowTerminal();
  ScreenLocate(Model(), row, column);
  ShowChanges();
}

// Holds plain lines back until ConsoleFlush.
void ConsoleHoldLines() {
  PlainHolding = true;
}

// Writes out the plain lines held back and ends the hold.
void ConsoleFlush() {
  FlushPlain();
  PlainHolding = false;
}

// One key if one is waiting, else "" at once.
std::string ConsoleInkey() {
  FlushPlain();
  FollowTerminal();
  return NextKey();
}

// Whether the keyboard is open; a line read without one ends at once.
bool ConsoleHasKeyboard() {
  return KeyboardReady;
}

// Whether console text is drawn on a terminal rather than written as plain lines.
bool ConsoleIsTerminal() {
  return Mode == ConsoleMode::Terminal;
}

// Lends the terminal to a program we start: what is drawn is sent, the terminal's own colours
// and modes come back, and no key is read until ConsoleResume.
void ConsoleSuspend() {
  if (!Started) return;
  if (Mode == ConsoleMode::Terminal) {
    ShowChanges();
    WriteAll(OutputFd, "\x1b[0m");
    View.attribute = -1;
  }
  LendTerminal();
}

// Raw keys again after ConsoleSuspend; the next console operation draws the whole screen anew.
void ConsoleResume() {
  if (!Started) return;
  TakeTerminalBack();
}

// A typed line with echo, Backspace editing, Enter ending it; "" at once with no keyboard.
std::string ConsoleLineInput() {
  FlushPlain();
  std::string line;
  for (;;) {
    FollowTerminal();
    const std::string key = NextKey();
    if (!key.empty()) {
      const size_t lengthBefore = line.size();
      const bool done = ScreenLineKey(Model(), line, key);
      ShowChanges();
      EchoTyping(lengthBefore, line, done);
      if (!done) continue;
      // Plain lines get the finished answer, not every key and rub-out.
      WritePlain(line + "\n");
      return line;
    }
    // Wait for the keyboard; a keyboard that is gone (or none at all) ends the line as it is.
    if (!KeyboardReady) {
      if (Keys.bytes.empty()) break;
      // An unfinished sequence left over: let its wait run out, then take it anyway.
      SleepMilliseconds(KeyWaitMilliseconds(Keys, MonotonicMilliseconds()) + 1);
      continue;
    }
    if (!WaitForKeyBytes(KeyWaitMilliseconds(Keys, MonotonicMilliseconds()))) {
      KeyboardReady = false;
    }
  }
  ConsoleNewLine();
  return line;
}

// Bytes to standard output; a short write there records error code 61.
void StdOutPrint(const std::string& text) {
  FlushPlain();  // keeps console lines and listing lines in order in a shared file
  if (Mode == ConsoleMode::Terminal && StdOutConsole) {
    // Standard output is the console itself: the text goes through the model, so later
    // console text lands after it; carriage return and line feed act as on a console.
    FollowTerminal();
    std::string run;
    for (const char byte : text) {
      if (byte != '\r' && byte != '\n') {
        run.push_back(byte);
        continue;
      }
      ScreenWrite(Model(), run);
      run.clear();
      if (byte == '\r') {
        ScreenCarriageReturn(Model());
      } else {
        ScreenNewLine(Model());
      }
    }
    ScreenWrite(Model(), run);
    ShowChanges();
    return;
  }
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = write(1, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<size_t>(written);
  }
  if (done < text.size()) ErrorCode = DiskFullCode;
}

// CR LF to standard output.
void StdOutNewLine() {
  FlushPlain();
  StdOutPrint("\r\n");
}

// Whether standard output was a terminal at start.
bool StdOutIsConsole() {
  return StdOutConsole;
}

// Sleeps the whole time, resuming after signals.
void SleepMilliseconds(int milliseconds) {
  // A partial line held back shows before the pause.
  FlushPlain();
  if (milliseconds <= 0) return;
  struct timespec wait;
  wait.tv_sec = milliseconds / 1000;
  wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

// The console's screen model.
const ConsoleScreen& CurrentConsoleScreen() {
  return Model();
}
