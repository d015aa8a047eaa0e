// Console rendering: colour sequences, glyphs, drawing only changes, scrolls, the way out.
#include "platform/console/linux/console_render.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/console/console_screen.h"
#include "base/cp437.h"

namespace {

// A fresh screen with a view that knows nothing of the terminal yet.
struct Pair {
  ConsoleScreen screen;
  TerminalView view;
};

Pair MakePair(int rows, int columns) {
  Pair pair;
  ResetScreen(pair.screen, rows, columns);
  ForgetTerminalView(pair.view, pair.screen);
  return pair;
}

// The rendering of the model's changes since the last one.
std::string Render(Pair& pair) {
  std::string out;
  RenderScreen(pair.screen, pair.view, out);
  return out;
}

TEST(ConsoleRenderTest, ConsoleColoursMapOntoAnsiColours) {
  struct Case {
    unsigned char attribute;
    std::string sequence;
  };
  const Case cases[] = {
      {0x07, "\x1b[0;37;40m"},   // light grey on black
      {0x70, "\x1b[0;30;47m"},   // black on light grey
      {0x01, "\x1b[0;34;40m"},   // blue
      {0x04, "\x1b[0;31;40m"},   // red
      {0x02, "\x1b[0;32;40m"},   // green
      {0x06, "\x1b[0;33;40m"},   // brown: red and green
      {0x1E, "\x1b[0;93;44m"},   // yellow on blue
      {0xC9, "\x1b[0;94;101m"},  // bright blue on bright red
      {0x8F, "\x1b[0;97;100m"},  // white on dark grey
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ColorSequence(c.attribute), c.sequence) << static_cast<int>(c.attribute);
  }
}

TEST(ConsoleRenderTest, GlyphsOfControlBytesAreTheirPictures) {
  EXPECT_EQ(Cp437Glyph(13), "\u266A");
  EXPECT_EQ(Cp437Glyph(10), "\u25D9");
  EXPECT_EQ(Cp437Glyph(0), " ");
  EXPECT_EQ(Cp437Glyph(1), "\u263A");
  EXPECT_EQ(Cp437Glyph('A'), "A");
  EXPECT_EQ(Cp437Glyph(0x7F), "\u2302");
  EXPECT_EQ(Cp437Glyph(0x82), "\u00E9");
  EXPECT_EQ(Cp437Glyph(0xDB), "\u2588");
  for (int byte = 0x80; byte <= 0xFF; byte++) {
    // The reverse table finds every upper byte from its glyph.
    const std::string& glyph = Cp437Glyph(static_cast<unsigned char>(byte));
    char32_t character = 0;
    if (glyph.size() == 2) {
      character = static_cast<char32_t>(((glyph[0] & 0x1F) << 6) | (glyph[1] & 0x3F));
    } else {
      ASSERT_EQ(glyph.size(), 3u);
      character = static_cast<char32_t>(((glyph[0] & 0x0F) << 12) | ((glyph[1] & 0x3F) << 6) |
                                        (glyph[2] & 0x3F));
    }
    EXPECT_EQ(Cp437ByteOf(character), byte);
  }
}

TEST(ConsoleRenderTest, DrawsWrittenCellsOnceAndLeavesTheShellsText) {
  Pair pair = MakePair(5, 20);
  // Nothing written: the shell's text on the terminal is left alone, only the cursor moves.
  ScreenLocate(pair.screen, 4, 1);
  EXPECT_EQ(Render(pair), "\x1b[4;1H");
  ScreenWrite(pair.screen, "Hi\r");
  // The glyph of a control byte may be drawn wide: the cursor is placed afresh after it.
  EXPECT_EQ(Render(pair), "\x1b[0;37;40mHi\u266A\x1b[4;4H");
  ScreenLocate(pair.screen, 4, 4);
  EXPECT_EQ(Render(pair), "");
  // Rewriting the same text changes nothing on the terminal but the cursor.
  ScreenLocate(pair.screen, 4, 1);
  ScreenWrite(pair.screen, "Hi");
  EXPECT_EQ(Render(pair), "\x1b[4;3H");
  ScreenColor(pair.screen, 0, 7);
  ScreenLocate(pair.screen, 4, 2);
  ScreenWrite(pair.screen, "o");
  EXPECT_EQ(Render(pair), "\x1b[4;2H\x1b[0;30;47mo");
}

TEST(ConsoleRenderTest, CharactersBeyondCodePage437AreDrawnAsThemselves) {
  Pair pair = MakePair(5, 20);
  ScreenLocate(pair.screen, 1, 1);
  // Cyrillic has no byte in 437 and keeps its character; é and ═ are 437's own bytes.
  ScreenWriteCharacters(pair.screen, u"Дé═");
  EXPECT_EQ(ScreenRowText(pair.screen, 1).substr(0, 3), "?\x82\xcd");
  EXPECT_EQ(Render(pair), "\x1b[1;1H\x1b[0;37;40mДé═");
  // The same bytes written as bytes differ from the character: the cell is drawn again.
  ScreenLocate(pair.screen, 1, 1);
  ScreenWrite(pair.screen, "?");
  EXPECT_EQ(Render(pair), "\x1b[1;1H?");
  // And the character again, over the byte.
  ScreenLocate(pair.screen, 1, 1);
  ScreenWriteCharacters(pair.screen, u"Д");
  EXPECT_EQ(Render(pair), "\x1b[1;1HД");
}

TEST(ConsoleRenderTest, ScrollsTheTerminalAndDrawsOnlyTheNewRow) {
  Pair pair = MakePair(3, 4);
  ScreenNewLine(pair.screen);
  ScreenWrite(pair.screen, "ab");
  ScreenNewLine(pair.screen);
  Render(pair);
  ScreenNewLine(pair.screen);  // one scroll: "ab" moves to the top row
  ScreenWrite(pair.screen, "c");
  // A line feed on the bottom row moves "ab" on the terminal too and brings in a blank row
  // in the drawing colour; only c is drawn.
  EXPECT_EQ(Render(pair), "\x1b[3;1H\nc");
  EXPECT_EQ(ScreenRowText(pair.screen, 1), "ab  ");
  EXPECT_EQ(Render(pair), "");
}

TEST(ConsoleRenderTest, ScrollInAnotherColourSetsItFirst) {
  Pair pair = MakePair(2, 4);
  ScreenWrite(pair.screen, "ab");
  Render(pair);
  ScreenColor(pair.screen, 0, 7);
  ScreenNewLine(pair.screen);
  ScreenNewLine(pair.screen);
  EXPECT_EQ(Render(pair), "\x1b[0;30;47m\x1b[2;1H\n");
}

TEST(ConsoleRenderTest, ShortGapsAreDrawnAgainInsteadOfAddressed) {
  Pair pair = MakePair(3, 40);
  ScreenWrite(pair.screen, "one two   three");
  Render(pair);
  ScreenLocate(pair.screen, 1, 1);
  ScreenWrite(pair.screen, "One Two   Three");
  // "ne " between O and T is drawn again; the five cells "wo   " are skipped by addressing.
  EXPECT_EQ(Render(pair), "\x1b[1;1HOne T\x1b[1;11HT\x1b[1;16H");
  ScreenLocate(pair.screen, 1, 1);
  ScreenWrite(pair.screen, "ONE");
  EXPECT_EQ(Render(pair), "\x1b[1;2HNE");
  ScreenLocate(pair.screen, 1, 1);
  ScreenWrite(pair.screen, "oNe TWO");
  EXPECT_EQ(Render(pair), "\x1b[1;1HoNe TWO");
}

TEST(ConsoleRenderTest, ClearDrawsEveryCell) {
  Pair pair = MakePair(2, 3);
  ScreenColor(pair.screen, 0, 7);
  ScreenClear(pair.screen);
  EXPECT_EQ(Render(pair), "\x1b[1;1H\x1b[0;30;47m   \x1b[2;1H   \x1b[1;1H");
}

TEST(ConsoleRenderTest, WayOutIsAFreshLineBelowTheText) {
  struct Case {
    std::string text;
    bool newLine;
    int locateRow;
    std::string move;
  };
  const Case cases[] = {
      {"ok done", true, 0, "\x1b[4;1H"},   // after a new line: that row
      {"ok done", false, 0, "\x1b[4;1H"},  // in the middle of a line: the next one
      {"menu", true, 1, "\x1b[4;1H"},      // cursor moved up: below the text
      {"", false, 0, "\x1b[3;1H"},         // nothing written: where the cursor is
  };
  for (const Case& c : cases) {
    ConsoleScreen screen;
    ResetScreen(screen, 6, 10);
    ScreenLocate(screen, 3, 1);
    ScreenWrite(screen, c.text);
    if (c.newLine) ScreenNewLine(screen);
    if (c.locateRow > 0) ScreenLocate(screen, c.locateRow, 1);
    EXPECT_EQ(LeaveSequence(screen), "\x1b[0m\x1b[?25h" + c.move) << c.text;
  }
  ConsoleScreen full;
  ResetScreen(full, 2, 3);
  ScreenWrite(full, "abcdef");
  EXPECT_EQ(LeaveSequence(full), "\x1b[0m\x1b[?25h\x1b[2;1H\r\n");
}

}  // namespace
