// Console screen model: text, print zones, new lines, scrolling, moves, colours and rubbing out.
#include "platform/console/console_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A screen of the given size, fresh.
ConsoleScreen MakeScreen(int rows, int columns) {
  ConsoleScreen screen;
  ResetScreen(screen, rows, columns);
  return screen;
}

// A row's bytes without the blanks at its end.
std::string RowText(const ConsoleScreen& screen, int row) {
  std::string text = ScreenRowText(screen, row);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

TEST(ConsoleScreenTest, PrintZoneReachesTheNextZone) {
  struct Case {
    std::string before;
    int spaces;
  };
  const Case cases[] = {
      {"", 14},                    // column 1: a whole zone
      {std::string(13, 'x'), 1},   // column 14: one space
      {std::string(14, 'x'), 14},  // text exactly filling a zone: the next one skipped
      {std::string(15, 'x'), 13},  // column 16
      {std::string(56, 'x'), 14},  // column 57, a later zone start
  };
  for (const Case& c : cases) {
    ConsoleScreen screen = MakeScreen(25, 80);
    ScreenWrite(screen, c.before);
    const int column = screen.cursorColumn;
    ScreenPrintZone(screen);
    EXPECT_EQ(screen.cursorColumn - column, c.spaces) << "after " << c.before.size() << " bytes";
    EXPECT_EQ(ScreenRowText(screen, 1).substr(c.before.size(), static_cast<size_t>(c.spaces)),
              std::string(static_cast<size_t>(c.spaces), ' '));
  }
}

TEST(ConsoleScreenTest, PrintZoneWrapsLikeText) {
  ConsoleScreen screen = MakeScreen(25, 80);
  ScreenWrite(screen, std::string(75, 'x'));  // column 76: 14 - 75 mod 14 = 9 spaces
  ScreenPrintZone(screen);
  EXPECT_EQ(screen.cursorRow, 2);
  EXPECT_EQ(screen.cursorColumn, 5);
}

TEST(ConsoleScreenTest, ControlBytesAreStoredAsCells) {
  ConsoleScreen screen = MakeScreen(25, 80);
  ScreenWrite(screen, std::string("a\rb\nc\t\a\0d", 9));
  EXPECT_EQ(RowText(screen, 1), std::string("a\rb\nc\t\a\0d", 9));
  EXPECT_EQ(screen.cursorRow, 1);
  EXPECT_EQ(screen.cursorColumn, 10);
  EXPECT_EQ(RowText(screen, 2), "");
}

TEST(ConsoleScreenTest, ExactWidthLineAndNewLineLeaveAnEmptyRow) {
  ConsoleScreen screen = MakeScreen(5, 10);
  ScreenWrite(screen, std::string(10, 'x'));
  EXPECT_EQ(screen.cursorRow, 2);
  EXPECT_EQ(screen.cursorColumn, 1);
  ScreenNewLine(screen);
  ScreenWrite(screen, "y");
  EXPECT_EQ(RowText(screen, 1), std::string(10, 'x'));
  EXPECT_EQ(RowText(screen, 2), "");
  EXPECT_EQ(RowText(screen, 3), "y");
}

TEST(ConsoleScreenTest, FullBottomRowWaitsThenScrollsTwiceOnNewLine) {
  ConsoleScreen screen = MakeScreen(3, 10);
  ScreenWrite(screen, "A");
  ScreenNewLine(screen);
  ScreenWrite(screen, "B");
  ScreenNewLine(screen);
  ScreenWrite(screen, std::string(10, 'C'));
  // The filled bottom row stays in view: nothing scrolled yet.
  EXPECT_TRUE(screen.pendingScroll);
  EXPECT_EQ(screen.scrollCount, 0);
  EXPECT_EQ(RowText(screen, 1), "A");
  EXPECT_EQ(screen.cursorRow, 3);
  EXPECT_EQ(screen.cursorColumn, 1);
  ScreenNewLine(screen);
  EXPECT_EQ(screen.scrollCount, 2);
  EXPECT_EQ(RowText(screen, 1), std::string(10, 'C'));
  EXPECT_EQ(RowText(screen, 2), "");
  EXPECT_EQ(RowText(screen, 3), "");
  EXPECT_EQ(screen.cursorRow, 3);
  EXPECT_FALSE(screen.pendingScroll);
}

TEST(ConsoleScreenTest, PendingScrollHappensBeforeTheNextByte) {
  ConsoleScreen screen = MakeScreen(2, 4);
  ScreenWrite(screen, "abcdefgh");
  EXPECT_TRUE(screen.pendingScroll);
  ScreenColor(screen, 1, 2);
  ScreenWrite(screen, "i");
  EXPECT_EQ(screen.scrollCount, 1);
  EXPECT_EQ(RowText(screen, 1), "efgh");
  EXPECT_EQ(RowText(screen, 2), "i");
  // The row brought in is blank in the colour current at the scroll.
  EXPECT_EQ(CellAt(screen, 2, 4).attribute, 0x21);
  EXPECT_EQ(screen.cursorColumn, 2);
}

TEST(ConsoleScreenTest, LocateKeepsCoordinatesOutOfRange) {
  struct Case {
    int row, column, expectedRow, expectedColumn;
  };
  const Case cases[] = {
      {3, 0, 3, 7},  {0, 0, 5, 7},     {26, 10, 5, 10}, {3, 81, 3, 7},
      {-1, 2, 5, 2}, {25, 80, 25, 80}, {1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    ConsoleScreen screen = MakeScreen(25, 80);
    ScreenLocate(screen, 5, 7);
    ScreenLocate(screen, c.row, c.column);
    EXPECT_EQ(screen.cursorRow, c.expectedRow) << c.row << "," << c.column;
    EXPECT_EQ(screen.cursorColumn, c.expectedColumn) << c.row << "," << c.column;
  }
}

TEST(ConsoleScreenTest, LocateClearsThePendingScroll) {
  ConsoleScreen screen = MakeScreen(2, 4);
  ScreenWrite(screen, "abcdefgh");
  ScreenLocate(screen, 0, 0);
  EXPECT_FALSE(screen.pendingScroll);
  ScreenWrite(screen, "X");
  EXPECT_EQ(screen.scrollCount, 0);
  EXPECT_EQ(RowText(screen, 2), "Xfgh");
}

TEST(ConsoleScreenTest, ColorComponentOfSixteenOrMoreIsKept) {
  struct Case {
    int foreground, background, expectedForeground, expectedBackground;
  };
  const Case cases[] = {
      {0, 7, 0, 7}, {16, 1, 7, 1}, {2, 16, 2, 0}, {16, 16, 7, 0}, {15, 15, 15, 15}, {99, 4, 7, 4},
  };
  for (const Case& c : cases) {
    ConsoleScreen screen = MakeScreen(25, 80);
    ScreenColor(screen, c.foreground, c.background);
    ScreenWrite(screen, "z");
    EXPECT_EQ(CellAt(screen, 1, 1).attribute, c.expectedBackground * 16 + c.expectedForeground)
        << c.foreground << "," << c.background;
  }
}

TEST(ConsoleScreenTest, ClearFillsWithTheCurrentColour) {
  ConsoleScreen screen = MakeScreen(4, 6);
  ScreenWrite(screen, "hello world");
  ScreenColor(screen, 0, 7);
  ScreenClear(screen);
  EXPECT_EQ(screen.cursorRow, 1);
  EXPECT_EQ(screen.cursorColumn, 1);
  for (const ScreenCell& cell : screen.cells) {
    EXPECT_EQ(cell.byte, ' ');
    EXPECT_EQ(cell.attribute, 0x70);
  }
}

TEST(ConsoleScreenTest, BackspaceRubsOutAcrossRows) {
  ConsoleScreen screen = MakeScreen(3, 4);
  ScreenWrite(screen, "abcde");
  ScreenBackspace(screen);  // e at row 2 column 1
  EXPECT_EQ(RowText(screen, 2), "");
  ScreenBackspace(screen);  // back across the row end to d
  EXPECT_EQ(RowText(screen, 1), "abc");
  EXPECT_EQ(screen.cursorRow, 1);
  EXPECT_EQ(screen.cursorColumn, 4);
}

TEST(ConsoleScreenTest, BackspaceAfterTheBottomRightCellRubsItOut) {
  ConsoleScreen screen = MakeScreen(2, 3);
  ScreenWrite(screen, "abcdef");
  ASSERT_TRUE(screen.pendingScroll);
  ScreenBackspace(screen);
  EXPECT_FALSE(screen.pendingScroll);
  EXPECT_EQ(RowText(screen, 2), "de");
  EXPECT_EQ(screen.cursorRow, 2);
  EXPECT_EQ(screen.cursorColumn, 3);
  EXPECT_EQ(screen.scrollCount, 0);
}

TEST(ConsoleScreenTest, LineInputKeysEditTheLineAndItsEcho) {
  const std::string up = std::string(1, '\0') + 'H';
  struct Case {
    std::vector<std::string> keys;
    std::string line;
    std::string echo;
  };
  const Case cases[] = {
      {{"a", "b", "\b", "c", "\r"}, "ac", "> ac"},
      {{"\b", "\b", "x", "\r"}, "x", "> x"},               // Backspace on an empty line
      {{"1", "\t", "\x1b", up, "2", "\r"}, "12", "> 12"},  // Tab, Escape, Up ignored
      {{"\x82", "\xff", "\r"}, "\x82\xff", "> \x82\xff"},  // upper bytes are characters
  };
  for (const Case& c : cases) {
    ConsoleScreen screen = MakeScreen(5, 20);
    ScreenWrite(screen, "> ");
    std::string line;
    bool done = false;
    for (const std::string& key : c.keys) {
      ASSERT_FALSE(done);
      done = ScreenLineKey(screen, line, key);
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(RowText(screen, 1), c.echo);
    EXPECT_EQ(screen.cursorRow, 2);
    EXPECT_EQ(screen.cursorColumn, 1);
  }
}

TEST(ConsoleScreenTest, LineInputBackspaceCrossesRowsAndTheLimitHolds) {
  ConsoleScreen screen = MakeScreen(5, 4);
  std::string line;
  for (const char* key : {"a", "b", "c", "d", "e", "\b", "\b"}) ScreenLineKey(screen, line, key);
  EXPECT_EQ(line, "abc");
  EXPECT_EQ(RowText(screen, 1), "abc");
  EXPECT_EQ(RowText(screen, 2), "");
  EXPECT_EQ(screen.cursorRow, 1);
  EXPECT_EQ(screen.cursorColumn, 4);

  ConsoleScreen wide = MakeScreen(25, 80);
  std::string full;
  for (size_t count = 0; count < LineInputLimit + 5; count++) ScreenLineKey(wide, full, "z");
  EXPECT_EQ(full.size(), LineInputLimit);
  // 125 full rows: 100 scrolls, the last row waiting; the bytes beyond the limit not echoed.
  EXPECT_EQ(wide.scrollCount, static_cast<int64_t>(LineInputLimit / 80 - 25));
  EXPECT_TRUE(wide.pendingScroll);
}

TEST(ConsoleScreenTest, ManyScrollsKeepTheRowsInOrder) {
  // 8 scrolls on 3 rows: the rows no longer start where they are stored.
  ConsoleScreen screen = MakeScreen(3, 5);
  for (int n = 1; n <= 9; n++) {
    ScreenWrite(screen, "l" + std::to_string(n));
    ScreenNewLine(screen);
  }
  ScreenWrite(screen, "abcdefg");  // wraps over the last two rows, scrolling once more
  EXPECT_EQ(screen.scrollCount, 8);
  EXPECT_EQ((std::vector<std::string>{RowText(screen, 1), RowText(screen, 2), RowText(screen, 3)}),
            (std::vector<std::string>{"l9", "abcde", "fg"}));
  // Rubbing out across a row boundary.
  for (int n = 0; n < 3; n++) ScreenBackspace(screen);
  EXPECT_EQ(RowText(screen, 2), "abcd");
  EXPECT_EQ(RowText(screen, 3), "");
  EXPECT_EQ(screen.cursorRow, 2);
  EXPECT_EQ(screen.cursorColumn, 5);
  ResizeScreen(screen, 2, 5);
  EXPECT_EQ(RowText(screen, 1), "l9");
  EXPECT_EQ(RowText(screen, 2), "abcd");
  EXPECT_EQ(screen.cursorRow, 2);
}

TEST(ConsoleScreenTest, ResizeKeepsTheCursorsRowInView) {
  struct Case {
    int cursorRow;  // where the cursor stands on the 4-row screen
    int newRows;
    std::string firstRow;  // the new top row
    int newCursorRow;
  };
  const Case cases[] = {
      {4, 3, "defg", 3},  // cursor on the bottom row: the top row goes off the screen
      {4, 1, "jkl", 1},   // down to one row: only the cursor's row is left
      {2, 3, "abc", 2},   // cursor well inside: the top stays
      {4, 6, "abc", 4},   // growing: nothing moves
  };
  for (const Case& c : cases) {
    ConsoleScreen screen = MakeScreen(4, 5);
    for (const char* text : {"abc", "defg", "hi", "jkl"}) {
      ScreenWrite(screen, text);
      if (screen.cursorRow < 4) ScreenNewLine(screen);
    }
    ScreenLocate(screen, c.cursorRow, 5);
    ResizeScreen(screen, c.newRows, 4);
    EXPECT_EQ(RowText(screen, 1), c.firstRow) << c.cursorRow << " to " << c.newRows;
    EXPECT_EQ(screen.cursorRow, c.newCursorRow) << c.cursorRow << " to " << c.newRows;
    EXPECT_EQ(screen.cursorColumn, 4);
    EXPECT_EQ(screen.cells.size(), static_cast<size_t>(c.newRows) * 4);
  }
}

}  // namespace
