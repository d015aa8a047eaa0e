// Document text on the recording printer: code pages, DOS printer codes on paper, and the
// fonts of the styles.
#include "print/document_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "fake_printer_fixture.h"
#include "print/text_output.h"

namespace {

// The bytes of a literal, NUL bytes included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

class DocumentText : public OnFakePrinter {
 protected:
  void SetUp() override {
    OnFakePrinter::SetUp();
    ASSERT_EQ(OpenPrintJob("Fake Printer", "doc", 80, 60, 0), 1);
    ASSERT_EQ(SelectPrintFont("Fake Mono", 10), 1);
    FakePrinter().draws.clear();
    FakePrinter().calls.clear();
  }
  void TearDown() override {
    DocumentCodePage = DefaultCodePage;
    OnFakePrinter::TearDown();
  }
  // Prints the lines as one document in the code page.
  void PrintLines(int codePage, const std::vector<std::string>& lines) {
    DocumentCodePage = codePage;
    StartDocumentText();
    DocumentEcho echo;
    for (const std::string& line : lines) PrintDocumentLine(line, echo);
    FinishDocumentText();
  }
  // The draws in short: page:line text, with b for a bold and u for an underlined font.
  static std::vector<std::string> Draws() {
    std::vector<std::string> out;
    const int step = 10 * 600 / 72 * 5 / 4 + 10 * 600 / 72 / 10;  // tmHeight + leading
    for (const FakeTextDraw& draw : FakePrinter().draws) {
      std::string flags = std::string(draw.weight >= 700 ? "b" : "") + (draw.underline ? "u" : "");
      out.push_back(std::to_string(draw.page) + ":" + std::to_string(draw.y / step) + " " + flags +
                    (flags.empty() ? "" : " ") + draw.text);
    }
    return out;
  }
};

TEST_F(DocumentText, WindowsCodePageBytesGoToPrintLineUnchanged) {
  PrintLines(DefaultCodePage, {"Caf\xe9 \x1b"
                               "E\x0c"
                               "x",
                               "", "next"});
  ASSERT_EQ(FakePrinter().draws.size(), 2u);
  EXPECT_FALSE(FakePrinter().draws[0].wide);
  EXPECT_EQ(FakePrinter().draws[0].text,
            "Caf\xe9 \x1b"
            "E\x0c"
            "x");
  EXPECT_EQ(Draws(), (std::vector<std::string>{"1:1 Caf\xe9 \x1b"
                                               "E\x0c"
                                               "x",
                                               "1:2 next"}));
}

TEST_F(DocumentText, DosDocumentOnPaper) {
  const struct {
    const char* name;
    int codePage;
    std::vector<std::string> lines;
    std::vector<std::string> expected;
  } cases[] = {
      {"437 characters", 437, {"\xc9\xcd\xbb Caf\x82 \x9c"}, {"1:1 ╔═╗ Café £"}},
      {"850 characters",
       850,
       {"Stra\xe1"
        "e \xd5"},
       {"1:1 Straße ı"}},
      {"858 has the euro where 850 has the dotless i", 858, {"\xd5"}, {"1:1 €"}},
      {"866 characters", 866, {"\x8c\xae\xe1\xaa\xa2\xa0"}, {"1:1 Москва"}},
      {"1250 is characters without codes",
       1250,
       {"\x8a\x1b"
        "E",
        "", "x"},
       {"1:1 Š\x1b"
        "E",
        "1:2 x"}},
      {"bold and underline in their fonts",
       437,
       {Bytes("\x1b"
              "EBold\x1b"
              "F \x1b-\x01"
              "under\x1b-\x00!")},
       {"1:1 b Bold", "1:1  ", "1:1 u under", "1:1 !"}},
      {"blank lines take their line", 437, {"a", "", "", "b"}, {"1:1 a", "1:4 b"}},
      {"form feed: new page, no blank line above its text",
       437,
       {"a\x0c", "b"},
       {"1:1 a", "2:1 b"}},
      {"a cut then a form feed make one page break; a blank line keeps its place",
       437,
       {"a\x1bi\x0c", "", "b"},
       {"1:1 a", "2:2 b"}},
      {"a closing form feed leaves no empty page", 437, {"a", "\x0c"}, {"1:1 a"}},
      {"ESC d feeds",
       437,
       {Bytes("a\x1b"
              "d\x02"
              "b")},
       {"1:1 a", "1:3 b"}},
      {"lone line feed", 437, {"a\nb"}, {"1:1 a", "1:2 b"}},
  };
  for (const auto& c : cases) {
    FakePrinter().draws.clear();
    PrintLines(c.codePage, c.lines);
    EXPECT_EQ(Draws(), c.expected) << c.name;
    EndPrintJob();
    ASSERT_EQ(OpenPrintJob("Fake Printer", "doc", 80, 60, 0), 1);
    ASSERT_EQ(SelectPrintFont("Fake Mono", 10), 1);
  }
  EXPECT_EQ(FakeFontsAlive(), 1);  // the style fonts are gone, the job's own font remains
}

TEST_F(DocumentText, EachStyleFontIsRealizedOnceAndDeletedAfterTheDocument) {
  std::vector<std::string> lines;
  for (int i = 0; i < 20; i++)
    lines.push_back(
        Bytes("\x1b"
              "Ebold\x1b"
              "F plain \x1b-\x01u\x1b-\x00."));
  PrintLines(437, lines);
  // The job's own font was realized before: a bold and an underlined font, once each.
  EXPECT_EQ(CountCalls("SelectObject Fake Mono -83"), 2);
  EXPECT_EQ(FakeFontsAlive(), 1);
  EXPECT_EQ(FakePrinter().draws.size(), 20u * 4u);  // bold, plain, underlined, plain
}

}  // namespace
