// Console on Windows: key records into keys, and the console operations against a real
// console: keys put into its input buffer come out of ConsoleInkey and ConsoleLineInput, and
// what the screen model holds is what the screen buffer shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/console/console.h"
#include "platform/console/console_screen.h"
#include "platform/console/windows/console_keys.h"

namespace {

// A key without a character: byte 0 and the scan code.
std::string Scan(int code) {
  return std::string(1, '\0') + static_cast<char>(code);
}

// A key record as the console delivers it.
KEY_EVENT_RECORD KeyRecord(bool down, WORD virtualKey, WORD scanCode, char character,
                           DWORD state = 0, WORD repeats = 1) {
  KEY_EVENT_RECORD record{};
  record.bKeyDown = down ? TRUE : FALSE;
  record.wRepeatCount = repeats;
  record.wVirtualKeyCode = virtualKey;
  record.wVirtualScanCode = scanCode;
  record.uChar.AsciiChar = character;
  record.dwControlKeyState = state;
  return record;
}

TEST(ConsoleKeysOnWindows, RecordsBecomeKeys) {
  struct Case {
    const char* what;
    KEY_EVENT_RECORD record;
    std::string key;
  };
  const Case cases[] = {
      {"a letter", KeyRecord(true, 'P', 25, 'p'), "p"},
      {"a letter with Shift", KeyRecord(true, 'P', 25, 'P', SHIFT_PRESSED), "P"},
      {"Enter", KeyRecord(true, VK_RETURN, 28, '\r'), "\r"},
      {"Backspace", KeyRecord(true, VK_BACK, 14, '\b'), "\b"},
      {"Escape", KeyRecord(true, VK_ESCAPE, 1, '\x1b'), "\x1b"},
      {"Escape without its character", KeyRecord(true, VK_ESCAPE, 1, '\0'), "\x1b"},
      {"Ctrl+C", KeyRecord(true, 'C', 46, '\x03', LEFT_CTRL_PRESSED), "\x03"},
      {"a byte above 127", KeyRecord(true, VK_OEM_7, 40, '\x84'), "\x84"},
      {"Up", KeyRecord(true, VK_UP, 72, '\0', ENHANCED_KEY), Scan(72)},
      {"Delete", KeyRecord(true, VK_DELETE, 83, '\0', ENHANCED_KEY), Scan(83)},
      {"F1", KeyRecord(true, VK_F1, 59, '\0'), Scan(59)},
      {"F12", KeyRecord(true, VK_F12, 88, '\0'), Scan(88)},
      {"Alt+Q", KeyRecord(true, 'Q', 16, 'q', LEFT_ALT_PRESSED), Scan(16)},
      {"right Alt+X", KeyRecord(true, 'X', 45, 'x', RIGHT_ALT_PRESSED), Scan(45)},
      {"AltGr types its character",
       KeyRecord(true, 'Q', 16, '@', RIGHT_ALT_PRESSED | LEFT_CTRL_PRESSED), "@"},
      {"Alt with a digit", KeyRecord(true, '1', 2, '1', LEFT_ALT_PRESSED), "1"},
      {"a release", KeyRecord(false, 'P', 25, 'p'), ""},
      {"Shift alone", KeyRecord(true, VK_SHIFT, 42, '\0', SHIFT_PRESSED), ""},
      {"Ctrl alone", KeyRecord(true, VK_CONTROL, 29, '\0', LEFT_CTRL_PRESSED), ""},
      {"Alt alone", KeyRecord(true, VK_MENU, 56, '\0', LEFT_ALT_PRESSED), ""},
      {"Caps Lock", KeyRecord(true, VK_CAPITAL, 58, '\0'), ""},
      {"Num Lock", KeyRecord(true, VK_NUMLOCK, 69, '\0'), ""},
      {"Scroll Lock", KeyRecord(true, VK_SCROLL, 70, '\0'), ""},
      {"a record naming no key", KeyRecord(true, 0, 0, '\0'), ""},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(KeyOfRecord(test.record), test.key) << test.what;
  }
}

// The test gets a console of its own (a test run has none): the one it was given is left and
// a new one made, with its keyboard and screen buffer as standard input and output.
class ConsoleOnWindows : public testing::Test {
 protected:
  void SetUp() override {
    FreeConsole();
    if (!AllocConsole()) GTEST_SKIP() << "no console can be made here";
    keyboard_ = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    screen_ = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    // Wine without a display makes a console whose buffers cannot be used: such a console
    // cannot show anything, so the test needs a display (it runs under Xvfb).
    if (!GetConsoleScreenBufferInfo(screen_, &info))
      GTEST_SKIP() << "the console made here has no screen buffer (no display)";
    SetStdHandle(STD_INPUT_HANDLE, keyboard_);
    SetStdHandle(STD_OUTPUT_HANDLE, screen_);
    SetStdHandle(STD_ERROR_HANDLE, screen_);
    GetConsoleMode(keyboard_, &modeBefore_);
    FlushConsoleInputBuffer(keyboard_);
    ConsoleStart();
  }

  void TearDown() override {
    ConsoleStop();
    if (keyboard_ != INVALID_HANDLE_VALUE) CloseHandle(keyboard_);
    if (screen_ != INVALID_HANDLE_VALUE) CloseHandle(screen_);
    FreeConsole();
  }

  // Puts key records into the console's input, as a person typing would.
  void Type(std::initializer_list<INPUT_RECORD> records) {
    for (const INPUT_RECORD& record : records) {
      DWORD written = 0;
      ASSERT_TRUE(WriteConsoleInputA(keyboard_, &record, 1, &written));
      ASSERT_EQ(written, 1u);
    }
  }

  // A key event record.
  static INPUT_RECORD Key(bool down, WORD virtualKey, WORD scanCode, char character,
                          DWORD state = 0, WORD repeats = 1) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent = KeyRecord(down, virtualKey, scanCode, character, state, repeats);
    return record;
  }

  // The bytes of a row of the screen buffer (1-based), as the console holds them.
  std::string BufferRow(int row) {
    const ConsoleScreen& model = CurrentConsoleScreen();
    std::string text(static_cast<size_t>(model.columns), '?');
    DWORD read = 0;
    ReadConsoleOutputCharacterA(screen_, text.data(), static_cast<DWORD>(text.size()),
                                COORD{0, static_cast<SHORT>(row - 1)}, &read);
    text.resize(read);
    return text;
  }

  // The characters of a row of the screen buffer (1-based), whatever its code page.
  std::u16string BufferCharacters(int row) {
    const ConsoleScreen& model = CurrentConsoleScreen();
    std::wstring text(static_cast<size_t>(model.columns), L'?');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen_, text.data(), static_cast<DWORD>(text.size()),
                                COORD{0, static_cast<SHORT>(row - 1)}, &read);
    text.resize(read);
    return std::u16string(text.begin(), text.end());
  }

  // The colour of a cell of the screen buffer (1-based).
  WORD BufferAttribute(int row, int column) {
    WORD attribute = 0;
    DWORD read = 0;
    ReadConsoleOutputAttribute(screen_, &attribute, 1,
                               COORD{static_cast<SHORT>(column - 1), static_cast<SHORT>(row - 1)},
                               &read);
    return attribute;
  }

  // The cursor of the screen buffer, 1-based.
  COORD BufferCursor() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(screen_, &info);
    return COORD{static_cast<SHORT>(info.dwCursorPosition.X + 1),
                 static_cast<SHORT>(info.dwCursorPosition.Y + 1)};
  }

  // Every row of the buffer is the model's row, and the cursors agree.
  void ExpectBufferShowsModel() {
    const ConsoleScreen& model = CurrentConsoleScreen();
    for (int row = 1; row <= model.rows; row++) {
      ASSERT_EQ(BufferRow(row), ScreenRowText(model, row)) << "row " << row;
    }
    const COORD cursor = BufferCursor();
    EXPECT_EQ(cursor.Y, model.cursorRow);
    EXPECT_EQ(cursor.X, model.cursorColumn);
  }

  HANDLE keyboard_ = INVALID_HANDLE_VALUE;
  HANDLE screen_ = INVALID_HANDLE_VALUE;
  DWORD modeBefore_ = 0;
};

TEST_F(ConsoleOnWindows, KeysComeOneAtATimeWithoutReleasesOrModifiers) {
  EXPECT_EQ(ConsoleInkey(), "");
  INPUT_RECORD focus{};
  focus.EventType = FOCUS_EVENT;
  focus.Event.FocusEvent.bSetFocus = TRUE;
  Type({Key(true, VK_SHIFT, 42, '\0', SHIFT_PRESSED), Key(false, VK_SHIFT, 42, '\0'),
        Key(true, 'P', 25, 'p'), Key(false, 'P', 25, 'p'), focus,
        Key(true, VK_UP, 72, '\0', ENHANCED_KEY), Key(true, 'A', 30, 'a', 0, 3),
        Key(true, 'X', 45, 'X', SHIFT_PRESSED)});
  EXPECT_EQ(ConsoleInkey(), "p");
  EXPECT_EQ(ConsoleInkey(), Scan(72));
  // A key held down, reported once with a count, is that many keys.
  EXPECT_EQ(ConsoleInkey(), "a");
  EXPECT_EQ(ConsoleInkey(), "a");
  EXPECT_EQ(ConsoleInkey(), "a");
  EXPECT_EQ(ConsoleInkey(), "X");
  EXPECT_EQ(ConsoleInkey(), "");
}

TEST_F(ConsoleOnWindows, KeyboardIsRawWhileTheConsoleRunsAndRestoredAfter) {
  DWORD during = 0;
  ASSERT_TRUE(GetConsoleMode(keyboard_, &during));
  EXPECT_EQ(during & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT), 0u);
  EXPECT_TRUE(ConsoleHasKeyboard());
  EXPECT_TRUE(ConsoleIsTerminal());
  EXPECT_TRUE(StdOutIsConsole());
  ConsoleStop();
  DWORD after = 0;
  ASSERT_TRUE(GetConsoleMode(keyboard_, &after));
  EXPECT_EQ(after, modeBefore_);
}

TEST_F(ConsoleOnWindows, LentConsoleKeepsItsModesAndKeysForTheOtherProgram) {
  ConsoleSuspend();
  DWORD lent = 0;
  ASSERT_TRUE(GetConsoleMode(keyboard_, &lent));
  EXPECT_EQ(lent, modeBefore_);
  Type({Key(true, 'P', 25, 'p')});
  EXPECT_EQ(ConsoleInkey(), "");
  ConsoleResume();
  DWORD back = 0;
  ASSERT_TRUE(GetConsoleMode(keyboard_, &back));
  EXPECT_EQ(back & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT), 0u);
  // What the other program left unread is the console's again.
  EXPECT_EQ(ConsoleInkey(), "p");
}

TEST_F(ConsoleOnWindows, LineInputEditsEchoesAndEndsAtEnter) {
  ConsoleClear();
  ConsolePrint("Name? ");
  Type({Key(true, 'A', 30, 'a'), Key(true, 'B', 48, 'b'), Key(true, VK_BACK, 14, '\b'),
        Key(true, 'C', 46, 'c'), Key(true, VK_TAB, 15, '\t'), Key(true, VK_ESCAPE, 1, '\x1b'),
        Key(true, VK_LEFT, 75, '\0', ENHANCED_KEY), Key(true, VK_RETURN, 28, '\r'),
        Key(true, 'Z', 44, 'z')});
  EXPECT_EQ(ConsoleLineInput(), "ac");
  EXPECT_EQ(BufferRow(1).substr(0, 9), "Name? ac ");
  EXPECT_EQ(CurrentConsoleScreen().cursorRow, 2);
  // The key after Enter is left for later.
  EXPECT_EQ(ConsoleInkey(), "z");
  ExpectBufferShowsModel();
}

TEST_F(ConsoleOnWindows, BufferShowsTheModelThroughColoursWrapsAndScrolls) {
  const ConsoleScreen& model = CurrentConsoleScreen();
  ConsoleColor(0, 7);
  ConsoleClear();
  EXPECT_EQ(BufferAttribute(model.rows, model.columns), 0x70);
  ConsoleColor(14, 1);
  ConsolePrint("TOP\r\n");
  EXPECT_EQ(BufferAttribute(1, 1), 0x1E);
  EXPECT_EQ(BufferRow(1).substr(0, 5), "TOP\r\n");
  ConsoleColor(7, 0);
  ConsoleLocate(3, 0);
  ConsolePrint(std::string(static_cast<size_t>(model.columns) + 5, 'w'));
  ConsolePrintZone();
  ConsolePrintNumber(-5);
  ExpectBufferShowsModel();
  // Down to the bottom row and past it: the buffer scrolls with the model.
  for (int line = 0; line < model.rows + 3; line++)
    ConsolePrintLine("line " + std::to_string(line));
  ConsoleLocate(model.rows, model.columns);
  ConsolePrint("E");  // the bottom-right cell: the scroll waits for more output
  ExpectBufferShowsModel();
  ConsolePrint("F");
  ExpectBufferShowsModel();
  EXPECT_EQ(BufferRow(model.rows - 1).back(), 'E');
  EXPECT_EQ(BufferRow(model.rows)[0], 'F');
}

TEST_F(ConsoleOnWindows, StandardOutputOnTheConsoleGoesThroughTheScreen) {
  ConsoleClear();
  ConsolePrint("Printers:");
  StdOutPrint(" office");
  StdOutNewLine();
  ConsolePrint("after");
  EXPECT_EQ(BufferRow(1).substr(0, 16), "Printers: office");
  EXPECT_EQ(BufferRow(2).substr(0, 5), "after");
  ExpectBufferShowsModel();
}

TEST_F(ConsoleOnWindows, CharactersShowAsThemselvesBesideBytes) {
  ConsoleClear();
  ConsoleColor(14, 1);
  // Characters code page 437 has (accents, frame, pound), and some it lacks (Central European
  // and Cyrillic letters, the euro), between bytes written before and after.
  const std::u16string text = u"Caf\u00e9 \u2554\u2550\u2557 \u00a3 \u0151\u0142 \u0416 \u20ac";
  ConsolePrint("[");
  ConsolePrintCharacters(text);
  ConsolePrint("]");
  ConsoleNewLine();
  EXPECT_EQ(BufferCharacters(1).substr(0, text.size() + 2), u"[" + text + u"]");
  EXPECT_EQ(BufferAttribute(1, static_cast<int>(text.size())), 0x1E);
  // Rewritten with bytes, a cell that showed a character shows the byte again, "?" too (the
  // byte the model keeps beside a character code page 437 lacks).
  ConsoleLocate(1, 1);
  ConsolePrint(std::string(text.size() + 2, '?'));
  EXPECT_EQ(BufferCharacters(1).substr(0, text.size() + 2), std::u16string(text.size() + 2, u'?'));
  ExpectBufferShowsModel();
}

}  // namespace
