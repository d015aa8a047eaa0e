// Console: the console operations over the screen model, drawn into the Windows console's
// screen buffer or, without a console, written to standard error as plain lines.
//
// Output goes to standard output's console when standard output is one, else to standard
// error's console; with neither, text goes to standard error as it is, a new line is "\n", and
// clearing, moving and colours change only the model. Keys are the key records of "CONIN$",
// whose input is raw (no line editing, no echo, Ctrl+C a key) while the program runs; without
// a console no key ever comes, so nothing waits forever. The modes found at start are put
// back on the way out.
#include "platform/console/console.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "platform/console/console_screen.h"
#include "platform/console/windows/console_buffer.h"
#include "platform/console/windows/console_keys.h"
#include "base/code_pages.h"
#include "base/error_code.h"
#include "base/number_text.h"

namespace {

// Where console text goes: plain lines on standard error, or a console buffer drawn from the
// model.
enum class ConsoleMode { Plain, Console };

// The size of the console when no console gives one.
constexpr int PlainRows = 25;
constexpr int PlainColumns = 80;

ConsoleMode Mode = ConsoleMode::Plain;
bool Started = false;
bool StdOutConsole = false;
ConsoleScreen Screen;
BufferView View;

// The keyboard: "CONIN$" and the input mode it had; a key record's repeats not yet taken.
HANDLE Keyboard = INVALID_HANDLE_VALUE;
bool KeyboardReady = false;
DWORD SavedInputMode = 0;
std::string RepeatedKey;
int RepeatsLeft = 0;
// The output console's mode before the start, to be put back.
HANDLE OutputConsole = INVALID_HANDLE_VALUE;
DWORD SavedOutputMode = 0;
WORD SavedAttribute = 7;
// Typing is echoed here when console text goes to a file: the console of the keyboard.
HANDLE EchoConsole = INVALID_HANDLE_VALUE;
// The buffer changed size, or a program we started had the console: draw everything again.
bool RedrawWanted = false;
// The console is lent to a program we started: its keys are that program's.
bool Lent = false;

// The model, made on first use (console text may come before ConsoleStart, in tests).
ConsoleScreen& Model() {
  if (Screen.cells.empty()) ResetScreen(Screen, PlainRows, PlainColumns);
  return Screen;
}

// The input mode while the program reads keys: raw, with buffer size changes reported.
DWORD RawInputMode(DWORD mode) {
  mode &= ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
  mode &= ~static_cast<DWORD>(0x0200);  // ENABLE_VIRTUAL_TERMINAL_INPUT: records, not sequences
  return mode | ENABLE_WINDOW_INPUT;
}

// Whether a handle is a console (its mode can be read).
bool IsConsole(HANDLE handle, DWORD& mode) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// The modes back as the program found them: safe from the control handler's thread too.
void RestoreModes() {
  if (Keyboard != INVALID_HANDLE_VALUE) SetConsoleMode(Keyboard, SavedInputMode);
  if (OutputConsole != INVALID_HANDLE_VALUE) {
    SetConsoleMode(OutputConsole, SavedOutputMode);
    SetConsoleTextAttribute(OutputConsole, SavedAttribute);
  }
}

// A console event that ends the program (Ctrl+Break, the console closed, logoff, shutdown):
// the modes go back first; the event then goes on to the next handler, which ends the program
// unless the program's own handler already took it.
BOOL WINAPI RestoreOnConsoleEvent(DWORD /*event*/) {
  RestoreModes();
  return FALSE;
}

// Writes all bytes to a file handle; false when fewer went out.
bool WriteHandle(HANDLE handle, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(handle, bytes.data() + done, ask, &written, nullptr) || written == 0) break;
    done += written;
  }
  return done == bytes.size();
}

// Follows a buffer size change, or a return from a program we started, before the next
// change: everything the program wrote is drawn again.
void FollowConsole() {
  if (Mode != ConsoleMode::Console || !RedrawWanted) return;
  RedrawWanted = false;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(View.output, &info)) {
    ResizeScreen(Model(), info.dwSize.Y, info.dwSize.X);
  }
  ForgetBufferView(View, Model());
  DrawRows(Model(), View, 1, Model().rows);
}

// Draws the rows between the cursor's row before an operation and its row after it.
void ShowChanges(int rowBefore, int64_t scrollsBefore) {
  if (Mode != ConsoleMode::Console) return;
  const ConsoleScreen& screen = Model();
  const int64_t scrolled = screen.scrollCount - scrollsBefore;
  const int moved = scrolled >= screen.rows ? 0 : rowBefore - static_cast<int>(scrolled);
  DrawRows(screen, View, std::min(moved, screen.cursorRow), std::max(moved, screen.cursorRow));
}

// Plain-mode bytes not yet written: a line goes out in one write when it ends. While lines
// are held (ConsoleHoldLines, around a document's echo) they gather up to PlainHoldLimit
// bytes; ConsoleFlush, every wait (keys, sleeps) and the end of the program write them out.
std::string PlainPending;
bool PlainHolding = false;
constexpr size_t PlainHoldLimit = 32768;

// Writes out the plain-mode bytes held back.
void FlushPlain() {
  if (PlainPending.empty()) return;
  WriteHandle(GetStdHandle(STD_ERROR_HANDLE), PlainPending);
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
  FollowConsole();
  const int rowBefore = Model().cursorRow;
  const int64_t scrollsBefore = Model().scrollCount;
  ScreenWrite(Model(), text);
  WritePlain(text);
  ShowChanges(rowBefore, scrollsBefore);
}

// Console text goes to a file while a person types at the console: the typing is shown
// there, as the console would have echoed it.
void EchoTyping(size_t lengthBefore, const std::string& line, bool done) {
  if (Mode != ConsoleMode::Plain || EchoConsole == INVALID_HANDLE_VALUE) return;
  std::string echo;
  if (done) {
    echo = "\r\n";
  } else if (line.size() > lengthBefore) {
    echo = line.substr(line.size() - 1);
  } else if (line.size() < lengthBefore) {
    echo = "\b \b";
  }
  DWORD written = 0;
  if (!echo.empty())
    WriteConsoleA(EchoConsole, echo.data(), static_cast<DWORD>(echo.size()), &written, nullptr);
}

// The console's part at exit: the console back as the program found it.
void StopConsoleAtExit() {
  ConsoleStop();
}

// The next key waiting on the keyboard, or "" when none is; the keyboard counts as gone when
// its events cannot be read.
std::string NextKey() {
  if (Lent) return "";
  if (RepeatsLeft > 0) {
    RepeatsLeft--;
    return RepeatedKey;
  }
  while (KeyboardReady) {
    // A wait that does not wait: a console that reads its keys from a terminal (Wine's) only
    // reads them for someone waiting on the keyboard, and counting the events is no wait.
    WaitForSingleObject(Keyboard, 0);
    DWORD waiting = 0;
    if (!GetNumberOfConsoleInputEvents(Keyboard, &waiting)) {
      KeyboardReady = false;
      break;
    }
    if (waiting == 0) break;
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputA(Keyboard, &record, 1, &read)) {
      KeyboardReady = false;
      break;
    }
    if (read == 0) break;
    if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
      RedrawWanted = true;
      continue;
    }
    if (record.EventType != KEY_EVENT) continue;
    std::string key = KeyOfRecord(record.Event.KeyEvent);
    if (key.empty()) continue;
    // A key held down may come as one record with a count: each repeat is a key.
    RepeatedKey = key;
    RepeatsLeft = std::max(0, static_cast<int>(record.Event.KeyEvent.wRepeatCount) - 1);
    return key;
  }
  return "";
}

// Opens the keyboard and makes its input raw; false without a console keyboard.
bool OpenKeyboard() {
  Keyboard = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (Keyboard == INVALID_HANDLE_VALUE) return false;
  if (!GetConsoleMode(Keyboard, &SavedInputMode) ||
      !SetConsoleMode(Keyboard, RawInputMode(SavedInputMode))) {
    CloseHandle(Keyboard);
    Keyboard = INVALID_HANDLE_VALUE;
    return false;
  }
  return true;
}

}  // namespace

// Sets the console up once: output target, raw keyboard, the console's cursor, 7 on 0.
void ConsoleStart() {
  if (Started) return;
  Started = true;
  ConsoleFlush();  // text written before the start goes where it was meant to go
  static bool exitHookSet = false;
  if (!exitHookSet) exitHookSet = std::atexit(StopConsoleAtExit) == 0;

  RepeatsLeft = 0;
  KeyboardReady = OpenKeyboard();
  DWORD mode = 0;
  const HANDLE standardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
  StdOutConsole = IsConsole(standardOutput, mode);
  if (StdOutConsole) {
    OutputConsole = standardOutput;
  } else if (IsConsole(standardError, mode)) {
    OutputConsole = standardError;
  }
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (OutputConsole == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(OutputConsole, &info)) {
    // No output console: plain lines on standard error; typing is echoed on the keyboard's
    // console when there is one.
    OutputConsole = INVALID_HANDLE_VALUE;
    Mode = ConsoleMode::Plain;
    ResetScreen(Screen, PlainRows, PlainColumns);
    if (KeyboardReady) {
      EchoConsole =
          CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    }
    SetConsoleCtrlHandler(RestoreOnConsoleEvent, TRUE);
    return;
  }
  SavedOutputMode = mode;
  SavedAttribute = info.wAttributes;
  SetConsoleMode(OutputConsole, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
  SetConsoleCtrlHandler(RestoreOnConsoleEvent, TRUE);
  Mode = ConsoleMode::Console;
  ResetScreen(Screen, info.dwSize.Y, info.dwSize.X);
  View = BufferView{};
  View.output = OutputConsole;
  ForgetBufferView(View, Screen);
  // Output goes on where the console's cursor stands.
  ScreenLocate(Screen, info.dwCursorPosition.Y + 1, info.dwCursorPosition.X + 1);
  View.cursorRow = Screen.cursorRow;
  View.cursorColumn = Screen.cursorColumn;
  RedrawWanted = false;
}

// Gives the console back: modes, colour, cursor on a fresh line below the text.
void ConsoleStop() {
  ConsoleFlush();
  if (!Started) return;
  Started = false;
  if (Mode == ConsoleMode::Console) {
    FollowConsole();
    PlaceCursorForLeaving(View, LeaveRow(Model()), SavedAttribute);
  }
  RestoreModes();
  SetConsoleCtrlHandler(RestoreOnConsoleEvent, FALSE);
  if (Keyboard != INVALID_HANDLE_VALUE) CloseHandle(Keyboard);
  if (EchoConsole != INVALID_HANDLE_VALUE) CloseHandle(EchoConsole);
  Keyboard = INVALID_HANDLE_VALUE;
  EchoConsole = INVALID_HANDLE_VALUE;
  OutputConsole = INVALID_HANDLE_VALUE;
  Mode = ConsoleMode::Plain;
  KeyboardReady = false;
  Lent = false;
  RepeatsLeft = 0;
  View = BufferView{};
  ResetScreen(Screen, PlainRows, PlainColumns);
}

// Writes text at the cursor in the current colour; empty text changes nothing.
void ConsolePrint(const std::string& text) {
  if (text.empty()) return;
  WriteText(text);
}

// Characters into the screen model (drawn with the console's wide call where code page 437
// lacks them), UTF-8 into plain lines, as on Linux.
void ConsolePrintCharacters(const std::u16string& text) {
  if (text.empty()) return;
  FollowConsole();
  const int rowBefore = Model().cursorRow;
  const int64_t scrollsBefore = Model().scrollCount;
  ScreenWriteCharacters(Model(), text);
  WritePlain(Utf16ToUtf8(text));
  ShowChanges(rowBefore, scrollsBefore);
}

// Spaces up to the next print zone.
void ConsolePrintZone() {
  WriteText(std::string(static_cast<size_t>(ZoneSpaces(Model())), ' '));
}

// Ends the line (scrolling on the bottom row).
void ConsoleNewLine() {
  FollowConsole();
  const int rowBefore = Model().cursorRow;
  const int64_t scrollsBefore = Model().scrollCount;
  ScreenNewLine(Model());
  WritePlain("\n");
  ShowChanges(rowBefore, scrollsBefore);
}

// The number's text and one blank.
void ConsolePrintNumber(double number) {
  WriteText(NumberText(number, 15) + " ");
}

// Blanks the screen in the current colour; cursor to row 1, column 1.
void ConsoleClear() {
  FollowConsole();
  ScreenClear(Model());
  if (Mode == ConsoleMode::Console) ClearBuffer(Model(), View);
}

// Sets the colour of later output.
void ConsoleColor(int foreground, int background) {
  ScreenColor(Model(), foreground, background);
}

// Moves the cursor; coordinates out of range are kept.
void ConsoleLocate(int row, int column) {
  FollowConsole();
  ScreenLocate(Model(), row, column);
  ShowChanges(Model().cursorRow, Model().scrollCount);
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
  std::string key = NextKey();
  FollowConsole();
  return key;
}

// Whether the keyboard is open; a line read without one ends at once.
bool ConsoleHasKeyboard() {
  return KeyboardReady;
}

// Whether console text is drawn on a console rather than written as plain lines.
bool ConsoleIsTerminal() {
  return Mode == ConsoleMode::Console;
}

// Lends the console to a program we start: the modes the program found come back and no key
// is read until ConsoleResume.
void ConsoleSuspend() {
  if (!Started) return;
  Lent = true;
  RestoreModes();
}

// Raw keys again after ConsoleSuspend; the next console operation draws the whole screen anew,
// over whatever the other program left in the buffer.
void ConsoleResume() {
  if (!Started || !Lent) return;
  Lent = false;
  if (Keyboard != INVALID_HANDLE_VALUE) SetConsoleMode(Keyboard, RawInputMode(SavedInputMode));
  if (OutputConsole != INVALID_HANDLE_VALUE)
    SetConsoleMode(OutputConsole, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
  RedrawWanted = Mode == ConsoleMode::Console;
}

// A typed line with echo, Backspace editing, Enter ending it; "" at once with no keyboard.
std::string ConsoleLineInput() {
  FlushPlain();
  std::string line;
  for (;;) {
    const std::string key = NextKey();
    FollowConsole();
    if (!key.empty()) {
      const int rowBefore = Model().cursorRow;
      const int64_t scrollsBefore = Model().scrollCount;
      const size_t lengthBefore = line.size();
      const bool done = ScreenLineKey(Model(), line, key);
      ShowChanges(rowBefore, scrollsBefore);
      EchoTyping(lengthBefore, line, done);
      if (!done) continue;
      // Plain lines get the finished answer, not every key and rub-out.
      WritePlain(line + "\n");
      return line;
    }
    // Wait for the keyboard; a keyboard that is gone (or none at all) ends the line as it is.
    if (!KeyboardReady || Lent) break;
    if (WaitForSingleObject(Keyboard, INFINITE) != WAIT_OBJECT_0) KeyboardReady = false;
  }
  ConsoleNewLine();
  return line;
}

// Bytes to standard output; a short write there records error code 61.
void StdOutPrint(const std::string& text) {
  FlushPlain();  // keeps console lines and listing lines in order in a shared file
  if (Mode == ConsoleMode::Console && StdOutConsole) {
    // Standard output is the console itself: the text goes through the model, so later
    // console text lands after it; carriage return and line feed act as on a console.
    FollowConsole();
    const int rowBefore = Model().cursorRow;
    const int64_t scrollsBefore = Model().scrollCount;
    std::string run;
    for (const char character : text) {
      if (character != '\r' && character != '\n') {
        run.push_back(character);
        continue;
      }
      ScreenWrite(Model(), run);
      run.clear();
      if (character == '\r') {
        ScreenCarriageReturn(Model());
      } else {
        ScreenNewLine(Model());
      }
    }
    ScreenWrite(Model(), run);
    ShowChanges(rowBefore, scrollsBefore);
    return;
  }
  if (!WriteHandle(GetStdHandle(STD_OUTPUT_HANDLE), text)) ErrorCode = DiskFullCode;
}

// CR LF to standard output.
void StdOutNewLine() {
  FlushPlain();
  StdOutPrint("\r\n");
}

// Whether standard output was a console at start.
bool StdOutIsConsole() {
  return StdOutConsole;
}

// Sleeps the whole time.
void SleepMilliseconds(int milliseconds) {
  // A partial line held back shows before the pause.
  FlushPlain();
  if (milliseconds <= 0) return;
  Sleep(static_cast<DWORD>(milliseconds));
}

// The console's screen model.
const ConsoleScreen& CurrentConsoleScreen() {
  return Model();
}
