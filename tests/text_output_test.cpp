// Text output on the recording printer: line breaking, pages, grid cells.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_printer_fixture.h"
#include "print/print_job.h"
#include "print/text_output.h"

namespace {

// The fake's default font (em 100) in "Fake Mono": every byte 50 wide, line height 125 + 10.
constexpr int MonoAdvance = 50;
constexpr int LineStep = 135;

class TextOutputTest : public OnFakePrinter {
 protected:
  static void Open() { ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1); }
  static std::vector<size_t> DrawLengths() {
    std::vector<size_t> lengths;
    for (const FakeTextDraw& draw : FakePrinter().draws) lengths.push_back(draw.text.size());
    return lengths;
  }
};

struct BreakCase {
  const char* what;
  int pageWidth;
  std::string text;
  std::vector<size_t> pieces;
};

TEST_F(TextOutputTest, LineBreaksLeaveRoomForW) {
  const BreakCase cases[] = {
      // 95 characters and the "W" measure exactly the width: they fit.
      {"exact fit", 4800, std::string(95, 'a'), {95}},
      {"one more", 4800, std::string(96, 'a'), {95, 1}},
      {"W allowance", 4799, std::string(95, 'a'), {94, 1}},
      {"300 narrow on a wide page", 100000, std::string(300, 'a'), {255, 45}},
      {"511 on a wide page", 100000, std::string(511, 'a'), {255, 255, 1}},
      {"three widths", 4800, std::string(200, 'a'), {95, 95, 10}},
  };
  for (const BreakCase& c : cases) {
    SCOPED_TRACE(c.what);
    UseFakePrinterDevice(true);
    FakePrinter().width = c.pageWidth;
    Open();
    EXPECT_EQ(PrintLine(c.text), 1);
    EXPECT_EQ(DrawLengths(), c.pieces);
    std::string joined;
    for (const FakeTextDraw& draw : FakePrinter().draws) {
      joined += draw.text;
      EXPECT_EQ(draw.x, 100);  // the physical left offset
    }
    EXPECT_EQ(joined, c.text);
    EndPrintJob();
  }
}

TEST_F(TextOutputTest, ProportionalFontBreaksByAdvances) {
  Open();
  ASSERT_EQ(SelectPrintFont("Fake Sans", 12), 1);  // em 100: 'i' 25, 'W' 100, others 50
  // 10 W (1000) + 150 i (3750) + the W allowance (100) = 4850 > 4800; 148 i fit exactly.
  std::string text = std::string(10, 'W') + std::string(150, 'i');
  PrintLine(text);
  EXPECT_EQ(DrawLengths(), (std::vector<size_t>{158, 2}));
}

TEST_F(TextOutputTest, MegabyteLineMeasuresOnce) {
  Open();
  std::string text(1 << 20, 'a');
  int measuresBefore = FakePrinter().charWidthCalls;
  EXPECT_EQ(PrintLine(text), 1);
  EXPECT_LE(FakePrinter().charWidthCalls - measuresBefore, 2);
  size_t total = 0;
  for (const FakeTextDraw& draw : FakePrinter().draws) {
    EXPECT_LE(draw.text.size(), 95u);
    total += draw.text.size();
  }
  EXPECT_EQ(total, text.size());
  EXPECT_EQ(FakePrinter().draws.size(), (text.size() + 94) / 95);
}

TEST_F(TextOutputTest, EveryPassMakesProgress) {
  Open();
  // A NUL ends the piece before it and takes no line of its own.
  PrintLine(std::string("ab\0\0cd\0", 7));
  ASSERT_EQ(FakePrinter().draws.size(), 2u);
  EXPECT_EQ(FakePrinter().draws[0].text, "ab");
  EXPECT_EQ(FakePrinter().draws[1].text, "cd");
  EXPECT_EQ(FakePrinter().draws[1].y, 2 * LineStep);

  int32_t y = PrintJob.CurrentY;
  EXPECT_EQ(PrintLine(std::string(3, '\0')), 0);
  EXPECT_EQ(PrintJob.CurrentY, y);
  EndPrintJob();

  // A font so wide that no character fits beside the "W": each character goes alone.
  UseFakePrinterDevice(true);
  FakePrinter().width = 2 * MonoAdvance - 1;
  Open();
  EXPECT_EQ(PrintLine("abc"), 1);
  EXPECT_EQ(DrawLengths(), (std::vector<size_t>{1, 1, 1}));
}

TEST_F(TextOutputTest, EmptyTextDrawsNothing) {
  EXPECT_EQ(PrintLine("x"), 0);  // no job
  Open();
  PrintLine("x");
  int32_t y = PrintJob.CurrentY;
  EXPECT_EQ(PrintLine(""), 0);
  EXPECT_EQ(PrintJob.CurrentY, y);
  EXPECT_EQ(FakePrinter().draws.size(), 1u);
}

TEST_F(TextOutputTest, PagesAndFirstBaselines) {
  Open();
  // 6600 / 135: 48 lines on a page, the 49th goes to the next page at one line height.
  for (int i = 0; i < 50; ++i) ASSERT_EQ(PrintLine("line " + std::to_string(i)), 1);
  const auto& draws = FakePrinter().draws;
  ASSERT_EQ(draws.size(), 50u);
  EXPECT_EQ(draws[0].page, 1);
  EXPECT_EQ(draws[0].y, LineStep);
  EXPECT_EQ(draws[47].page, 1);
  EXPECT_EQ(draws[47].y, 48 * LineStep);
  EXPECT_EQ(draws[48].page, 2);
  EXPECT_EQ(draws[48].y, LineStep);
  EXPECT_EQ(draws[49].y, 2 * LineStep);
  EXPECT_EQ(draws[0].align, TA_BASELINE);
}

TEST_F(TextOutputTest, LineHeightFollowsFontChange) {
  Open();
  PrintLine("small");
  ASSERT_EQ(SelectPrintFont("Fake Mono", 24), 1);  // em 200: 250 + 20
  PrintLine("big");
  ASSERT_EQ(FakePrinter().draws.size(), 2u);
  EXPECT_EQ(FakePrinter().draws[1].y, LineStep + 270);
  EXPECT_EQ(FakePrinter().draws[1].emHeight, 200);
}

TEST_F(TextOutputTest, FailedPageEndsLineOutput) {
  FakePrinter().failStartPageAt = 2;
  Open();
  std::string text(49 * 95, 'a');  // 49 printed lines: the 49th needs page 2
  EXPECT_EQ(PrintLine(text), 1);   // the result of the last drawing that happened
  EXPECT_EQ(FakePrinter().draws.size(), 48u);
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(PrintLine("more"), 0);
}

struct CellCase {
  int32_t column;
  int32_t row;
  int x;  // grid 80 x 60 on 4800 x 6600: column width 58, row height 108, offset 100
  int y;
};

TEST_F(TextOutputTest, PrintAtCells) {
  const CellCase cases[] = {
      {0, 0, 100, 108},   // column 0 is column 1, at least the offset; row 0 is row 1
      {81, 3, 100, 324},  // beyond the grid: column 1
      {-4, 60, 100, 6480}, {5, 1, 290, 108}, {80, 2, 4640, 216},
  };
  Open();
  for (const CellCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.column << ", " << c.row);
    FakePrinter().draws.clear();
    EXPECT_EQ(PrintAt("cell", c.column, c.row), 1);
    ASSERT_EQ(FakePrinter().draws.size(), 1u);
    EXPECT_EQ(FakePrinter().draws[0].x, c.x);
    EXPECT_EQ(FakePrinter().draws[0].y, c.y);
    EXPECT_EQ(FakePrinter().draws[0].page, 1);
  }
  EXPECT_EQ(PrintJob.CurrentY, 0);

  // Row 0 is the row after the band of the last line: baseline 135 lies in band 1.
  PrintLine("line");
  FakePrinter().draws.clear();
  PrintAt(std::string(300, 'z'), 1, 0);
  ASSERT_EQ(FakePrinter().draws.size(), 1u);
  EXPECT_EQ(FakePrinter().draws[0].y, 216);
  EXPECT_EQ(FakePrinter().draws[0].text.size(), 255u);  // cut, not broken
  EXPECT_EQ(PrintJob.CurrentY, LineStep);

  // A row beyond the grid starts the next page and prints on its row 1.
  FakePrinter().draws.clear();
  EXPECT_EQ(PrintAt(std::string("ab\0cd", 5), 1, 61), 1);
  ASSERT_EQ(FakePrinter().draws.size(), 1u);
  EXPECT_EQ(FakePrinter().draws[0].page, 2);
  EXPECT_EQ(FakePrinter().draws[0].y, 108);
  EXPECT_EQ(FakePrinter().draws[0].text, "ab");
}

TEST_F(TextOutputTest, PrintAtRightRestoresAlignment) {
  EXPECT_EQ(PrintAtRight("x", 1, 1), 0);  // no job
  Open();
  EXPECT_EQ(PrintAtRight("total", 10, 2), 1);
  ASSERT_EQ(FakePrinter().draws.size(), 1u);
  EXPECT_EQ(FakePrinter().draws[0].align, TA_BASELINE | TA_RIGHT);
  EXPECT_EQ(FakePrinter().draws[0].x, 580);
  EXPECT_EQ(GetTextAlign(PrintJob.PrinterDc), TA_BASELINE);
  PrintAt("next", 1, 3);
  EXPECT_EQ(FakePrinter().draws[1].align, TA_BASELINE);
}

TEST_F(TextOutputTest, GridWithoutRowHeight) {
  // 32767 rows on 6600 pixels leave a row height of 0: row 0 must still not divide by it.
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 32767, 0), 1);
  ASSERT_EQ(PrintJob.GridRowHeight, 0);
  PrintLine("line");
  EXPECT_EQ(PrintAt("x", 1, 0), 1);
  EXPECT_EQ(FakePrinter().draws.back().y, 0);
}

// A line taller than the page can never stand on one: the document is cancelled whole
// instead of coming out as a blank sheet a line.
TEST_F(TextOutputTest, FontTallerThanThePageCancelsInsteadOfBlankPages) {
  struct TallCase {
    int pageHeight;
    bool cancelled;
  };
  // Line step of the default font: 135.
  const TallCase cases[] = {{134, true}, {135, false}, {6600, false}};
  for (const TallCase& c : cases) {
    SCOPED_TRACE(c.pageHeight);
    UseFakePrinterDevice(true);
    FakePrinter().height = c.pageHeight;
    Open();
    for (int line = 0; line < 3; line++) PrintLine(std::string(120, 'x'));
    EndPrintJob();
    EXPECT_EQ(PrintJobDelivered, !c.cancelled);
    EXPECT_EQ(FakePrinter().draws.empty(), c.cancelled);
    EXPECT_EQ(CountCalls("EndDoc"), c.cancelled ? 0 : 1);
    if (c.cancelled) {
      EXPECT_EQ(FakePrinter().pagesStarted, 1);  // no page beyond the first
      EXPECT_EQ(PrintJobFailureCause, "the font is too large for the page");
    }
  }
}

}  // namespace
