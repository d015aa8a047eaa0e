// DOS printer text: control codes read by their length, styles kept from code to code.
#include "print/dos_printer_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The bytes of a literal, NUL bytes included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// The pieces of some lines in short: text as {flags}text (b bold, u underline, w double width,
// c condensed), "/" a line feed, "#" a page end, "~" the end of a line read.
std::string Describe(const std::vector<std::string>& lines) {
  DosPrinterState state;
  std::string out;
  for (const std::string& line : lines) {
    for (const DosPiece& piece : ReadDosLine(state, line)) {
      if (piece.kind == DosPieceKind::LineEnd) {
        out += "/";
      } else if (piece.kind == DosPieceKind::PageEnd) {
        out += "#";
      } else {
        std::string flags;
        if (piece.style.bold) flags += 'b';
        if (piece.style.underline) flags += 'u';
        if (piece.style.Wide()) flags += 'w';
        if (piece.style.condensed) flags += 'c';
        out += "{" + flags + "}" + piece.text;
      }
    }
    EndDosLine(state);
    out += "~";
  }
  return out;
}

TEST(DosPrinterCodes, CodesActAndNeverPrint) {
  const struct {
    const char* name;
    std::vector<std::string> lines;
    std::string expected;
  } cases[] = {
      {"plain text", {"Coffee 2.50"}, "{}Coffee 2.50~"},
      {"ESC/P bold on and off",
       {"\x1b"
        "EBold\x1b"
        "F plain"},
       "{b}Bold{} plain~"},
      {"ESC/POS bold with its parameter",
       {Bytes("\x1b"
              "E\x01"
              "Bold\x1b"
              "E\x00"
              "x")},
       "{b}Bold{}x~"},
      {"ESC/P bold followed by a digit keeps the digit",
       {"\x1b"
        "E1 item"},
       "{b}1 item~"},
      {"bold lasts across lines until switched off",
       {"\x1b"
        "Ea",
        "b\x1b"
        "F",
        "c"},
       "{b}a~{b}b~{}c~"},
      {"underline with 1 and with '1'", {Bytes("\x1b-\x01u\x1b-\x00n\x1b-1v")}, "{u}u{}n{u}v~"},
      {"master select: bold, double width, underline",
       {Bytes("\x1b!\x08"
              "a\x1b!\x20"
              "b\x1b!\x80"
              "c\x1b!\x00"
              "d")},
       "{b}a{w}b{u}c{}d~"},
      {"SO lasts to the end of its line, DC4 ends it earlier",
       {"\x0e"
        "Big",
        "small",
        "\x0e"
        "A\x14"
        "B"},
       "{w}Big~{}small~{w}A{}B~"},
      {"condensed: SI on, DC2 off",
       {"\x0f"
        "tiny\x12"
        "wide"},
       "{c}tiny{}wide~"},
      {"initialise resets every mode",
       {"\x1b"
        "E\x1b-\x01\x0f"
        "x\x1b@y"},
       "{buc}x{}y~"},
      {"form feed ends the page", {"one\x0ctwo"}, "{}one#{}two~"},
      {"lone line feed ends a line", {"a\nb"}, "{}a/{}b~"},
      {"tab to the next multiple of 8 columns",
       {"ab\tc", "abcdefgh\tx", "\t\ty"},
       "{}ab      c~{}abcdefgh        x~{}                y~"},
      {"tab counts from the line feed", {"abc\nd\te"}, "{}abc/{}d       e~"},
      {"ESC d feeds n lines",
       {Bytes("a\x1b"
              "d\x03"
              "b")},
       "{}a///{}b~"},
      {"GS V cuts, with and without its feed",
       {Bytes("a\x1dV\x01"
              "b\x1dV\x41\x05"
              "c")},
       "{}a#{}b#{}c~"},
      {"ESC i and ESC m cut", {"a\x1bib\x1bmc"}, "{}a#{}b#{}c~"},
      {"drawer kick, beeper, code table and alignment dropped",
       {Bytes("\x1bp\x00\x19\xfa"
              "a\x07"
              "b\x1bt\x02"
              "c\x1b"
              "a\x01"
              "d")},
       "{}abcd~"},
      {"unknown ESC, GS and FS codes take their parameter",
       {Bytes("\x1bz\x05"
              "a\x1d"
              "B\x01"
              "b\x1c"
              "&c")},
       "{}abc~"},
      {"bit image data is skipped whole",
       {Bytes("\x1b*\x00\x03\x00"
              "ABC"
              "x")},
       "{}x~"},
      {"raster picture data is skipped whole",
       {Bytes("\x1dv0\x00\x02\x00\x02\x00"
              "1234"
              "y")},
       "{}y~"},
      {"barcode up to its NUL",
       {Bytes("\x1dk\x04"
              "123\x00"
              "z")},
       "{}z~"},
      {"a sequence cut by the line end takes the CR and goes on",
       {"a\x1b"
        "d",
        "b"},
       "{}a/////////////~{}b~"},
      {"picture data cut by the line end: the CR is its count, the data goes on",
       {Bytes("a\x1b*\x00"), Bytes("\x00"
                                   "ABCDEFGHIJKLM"
                                   "c")},
       "{}a~{}c~"},
      {"other control bytes stay text",
       {"a\x01"
        "b\x1a"
        "c"},
       "{}a\x01"
       "b\x1a"
       "c~"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(c.lines), c.expected) << c.name;
}

}  // namespace
