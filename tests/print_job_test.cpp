// Print job on the recording printer: opening, grid, names, fonts, pages and the end.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fake_printer_fixture.h"
#include "print/print_job.h"
#include "print/text_output.h"

namespace {

using PrintJobTest = OnFakePrinter;

struct GridCase {
  int16_t columns;
  int16_t rows;
  int16_t gridColumns;
  int16_t gridRows;
  int32_t rowHeight;  // of the fake's 4800 x 6600 page
  int32_t columnWidth;
};

TEST_F(PrintJobTest, GridFromColumnsAndRows) {
  const GridCase cases[] = {
      {0, 0, 80, 65, 6600 / 66, 4800 / 82},
      {80, 60, 80, 60, 6600 / 61, 4800 / 82},
      {1, 1, 1, 1, 6600 / 2, 4800 / 3},
      // Negative sizes take the defaults; no division by zero or by a negative number.
      {-1, -2, 80, 65, 6600 / 66, 4800 / 82},
      {-2, -1, 80, 65, 6600 / 66, 4800 / 82},
      {-32768, -32768, 80, 65, 6600 / 66, 4800 / 82},
      {32767, 32767, 32767, 32767, 0, 0},
  };
  for (const GridCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.columns << " x " << c.rows);
    ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, c.columns, c.rows, 0), 1);
    EXPECT_EQ(PrintJob.GridColumns, c.gridColumns);
    EXPECT_EQ(PrintJob.GridRows, c.gridRows);
    EXPECT_EQ(PrintJob.GridRowHeight, c.rowHeight);
    EXPECT_EQ(PrintJob.GridColumnWidth, c.columnWidth);
    EXPECT_EQ(PrintJob.CurrentY, 0);
    EndPrintJob();
  }
}

TEST_F(PrintJobTest, OpenStartsDocumentAndFirstPage) {
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  ASSERT_NE(PrintJob.PrinterDc, nullptr);
  const auto& calls = FakePrinter().calls;
  auto doc = std::find(calls.begin(), calls.end(), "StartDoc Tavrel DOS output");
  ASSERT_NE(doc, calls.end());
  EXPECT_NE(std::find(doc, calls.end(), "StartPage"), calls.end());
  EXPECT_EQ(FakePrinter().pagesStarted, 1);
  EXPECT_EQ(GetTextAlign(PrintJob.PrinterDc), TA_BASELINE);

  EndPrintJob();
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
  EXPECT_EQ(CountCalls("EndDoc"), 1);
  EXPECT_TRUE(PrintJobDelivered);
}

TEST_F(PrintJobTest, SecondOpenRefusedAndJobGoesOn) {
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  PrintLine("first");
  int32_t y = PrintJob.CurrentY;
  HDC dc = PrintJob.PrinterDc;
  EXPECT_EQ(OpenPrintJob("Fake Printer", "other", 0, 0, 1), 0);
  EXPECT_EQ(PrintJob.PrinterDc, dc);
  EXPECT_EQ(PrintJob.CurrentY, y);
  EXPECT_EQ(PrintJob.GridRows, 60);
  EXPECT_EQ(FakePrinter().contextsAlive, 1);
  PrintLine("second");
  ASSERT_EQ(FakePrinter().draws.size(), 2u);
  EXPECT_EQ(FakePrinter().draws[1].y, 2 * y);
}

struct NameCase {
  std::string given;
  int32_t opened;
};

TEST_F(PrintJobTest, PrinterNameCleaningKeepsSingleBlanks) {
  FakePrinter().printers = {"Shop "};
  const NameCase cases[] = {
      {"Shop ", 1},
      {"Shop", 0},                          // the trailing space is part of the name
      {std::string("\0 Shop ", 7), 1},      // a leading NUL-space pair is cleaned away
      {std::string("Shop \0 \0 ", 9), 1},   // so are trailing pairs
      {std::string("Shop \0junk", 10), 1},  // the buffer ends at a NUL
      {" Shop ", 0},                        // a single blank stays
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(OpenPrintJob(c.given, PrintDocumentName, 80, 60, 0), c.opened);
    EndPrintJob();
    EXPECT_EQ(FakePrinter().contextsAlive, 0);
  }
}

TEST_F(PrintJobTest, LongNamesCutAt255) {
  std::string printer(255, 'p');
  FakePrinter().printers = {printer};
  ASSERT_EQ(OpenPrintJob(printer + "xyz", std::string(300, 'd'), 80, 60, 0), 1);
  EXPECT_EQ(CountCalls("StartDoc " + std::string(255, 'd')), 1);
}

TEST_F(PrintJobTest, FailuresLeaveNoJob) {
  struct FailCase {
    const char* what;
    bool failStartDoc;
    int failStartPageAt;
    const char* printer;
    const char* cause;
  };
  const FailCase cases[] = {
      {"unknown printer", false, 0, "No Such Printer", "the printer is not installed"},
      {"document refused", true, 0, "Fake Printer", "the printer refused the document"},
      {"first page refused", false, 1, "Fake Printer", "the printer refused the document"},
  };
  for (const FailCase& c : cases) {
    SCOPED_TRACE(c.what);
    UseFakePrinterDevice(true);
    FakePrinter().failStartDoc = c.failStartDoc;
    FakePrinter().failStartPageAt = c.failStartPageAt;
    PrintJobFailureCause = "left from an earlier job";
    EXPECT_EQ(OpenPrintJob(c.printer, PrintDocumentName, 80, 60, 0), 0);
    EXPECT_EQ(PrintJobFailureCause, c.cause);
    EXPECT_EQ(PrintJob.PrinterDc, nullptr);
    EXPECT_EQ(FakePrinter().contextsAlive, 0);
    EXPECT_FALSE(PrintJobDelivered);
    EXPECT_EQ(PrintLine("lost"), 0);
    EXPECT_TRUE(FakePrinter().draws.empty());
  }
  // The opening had reached the document: it is ended before the context goes.
  EXPECT_EQ(CountCalls("EndDoc"), 1);
}

TEST_F(PrintJobTest, FontHeightFromPointSize) {
  struct HeightCase {
    int dpi;
    int32_t points;
    int height;
  };
  const HeightCase cases[] = {
      {600, 10, -83},  {300, 10, -42}, {300, 12, -50},
      {600, 12, -100}, {300, 3, -13},  // 12.5 rounds away from zero
      {300, -3, 13},                   // and so does -12.5
      {600, 0, 0},
  };
  for (const HeightCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.points << " pt at " << c.dpi);
    UseFakePrinterDevice(true);
    FakePrinter().dpi = c.dpi;
    ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
    EXPECT_EQ(SelectPrintFont("Fake Mono", c.points), 1);
    EXPECT_EQ(CountCalls("SelectObject Fake Mono " + std::to_string(c.height)), 1);
    EndPrintJob();
  }
}

TEST_F(PrintJobTest, FaceNameCutAt31AndCleaned) {
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  std::string longFace = std::string(31, 'F') + "tail";
  EXPECT_EQ(SelectPrintFont(std::string("\0 ", 2) + longFace, 12), 1);
  EXPECT_TRUE(HasCallStarting("SelectObject " + std::string(31, 'F') + " "));
  EXPECT_FALSE(HasCallStarting("SelectObject " + std::string(31, 'F') + "t"));
}

TEST_F(PrintJobTest, FontsReplacedAndReleased) {
  EXPECT_EQ(SelectPrintFont("Fake Mono", 12), 0);  // no job
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  ASSERT_EQ(SelectPrintFont("Fake Mono", 12), 1);
  EXPECT_NE(PrintJob.SavedFont, nullptr);
  EXPECT_EQ(FakeFontsAlive(), 1);
  ASSERT_EQ(SelectPrintFont("Fake Sans", 10), 1);
  EXPECT_EQ(FakeFontsAlive(), 1);  // the first job font is deleted

  // A font made but not selectable is deleted; the Sans font and the saved font stay.
  HFONT saved = PrintJob.SavedFont;
  FakePrinter().failSelectFace = "Fake Mono";
  EXPECT_EQ(SelectPrintFont("Fake Mono", 12), 0);
  EXPECT_EQ(PrintJob.SavedFont, saved);
  EXPECT_EQ(FakeFontsAlive(), 1);
  PrintLine("x");
  ASSERT_EQ(FakePrinter().draws.size(), 1u);
  EXPECT_EQ(FakePrinter().draws[0].face, "Fake Sans");
  EXPECT_EQ(FakePrinter().draws[0].emHeight, 83);
  FakePrinter().failSelectFace.clear();

  EndPrintJob();
  EXPECT_EQ(FakeFontsAlive(), 0);
  EXPECT_EQ(PrintJob.SavedFont, nullptr);

  // A job opened after the end starts with no saved font: its first selection deletes nothing.
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  EXPECT_EQ(PrintJob.SavedFont, nullptr);
  ASSERT_EQ(SelectPrintFont("Fake Mono", 12), 1);
  EXPECT_EQ(FakeFontsAlive(), 1);
  EndPrintJob();
  EXPECT_EQ(FakeFontsAlive(), 0);
}

TEST_F(PrintJobTest, NextPageSetsFirstBaseline) {
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  ASSERT_EQ(SelectPrintFont("Fake Mono", 24), 1);  // em 200: height 250, leading 20
  PrintJob.CurrentY = 5000;
  EXPECT_EQ(StartNextPage(), 1);
  EXPECT_EQ(PrintJob.CurrentY, 270);
  EXPECT_EQ(FakePrinter().pagesStarted, 2);
}

TEST_F(PrintJobTest, FailedPageStartEndsJob) {
  FakePrinter().failStartPageAt = 2;
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  ASSERT_EQ(SelectPrintFont("Fake Mono", 12), 1);
  EXPECT_EQ(StartNextPage(), 0);
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(PrintJob.SavedFont, nullptr);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
  EXPECT_EQ(FakeFontsAlive(), 0);
  EXPECT_FALSE(PrintJobDelivered);
  // Nothing of a half-printed document reaches the printer: it is cancelled, not ended.
  EXPECT_EQ(CountCalls("EndDoc"), 0);
  EXPECT_EQ(CountCalls("DeleteDC"), 1);
  EXPECT_EQ(PrintLine("after"), 0);
  EXPECT_EQ(StartNextPage(), 0);
}

TEST_F(PrintJobTest, AbortCancelsTheDocument) {
  AbortPrintJob();  // no job: nothing happens
  EXPECT_TRUE(FakePrinter().calls.empty());
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  ASSERT_EQ(SelectPrintFont("Fake Mono", 12), 1);
  PrintLine("drawn, never delivered");
  PrintJobDelivered = true;
  AbortPrintJob();
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(PrintJob.SavedFont, nullptr);
  EXPECT_FALSE(PrintJobDelivered);
  EXPECT_EQ(CountCalls("EndPage"), 0);
  EXPECT_EQ(CountCalls("EndDoc"), 0);
  EXPECT_EQ(CountCalls("DeleteDC"), 1);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
  EXPECT_EQ(FakeFontsAlive(), 0);
  // A new job can be opened afterwards.
  EXPECT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
}

TEST_F(PrintJobTest, EndWithoutJobDoesNothing) {
  EndPrintJob();
  EXPECT_TRUE(FakePrinter().calls.empty());
  EXPECT_EQ(SetPrintTextColor(0x0000FF), 0);
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  EXPECT_EQ(SetPrintTextColor(0x0000FF), 1);
}

TEST_F(PrintJobTest, LandscapeTurnsTheSheet) {
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 0, 0, 1), 1);
  EXPECT_EQ(GetDeviceCaps(PrintJob.PrinterDc, HORZRES), 6600);  // the sheet turned
  EXPECT_EQ(PrintJob.GridColumnWidth, 6600 / 82);
  EndPrintJob();
}

TEST(PrintNameTest, CleaningAndBuffers) {
  const std::string pair("\0 ", 2);
  EXPECT_EQ(CleanPrintName(pair + pair + "A B" + pair), "A B");
  EXPECT_EQ(CleanPrintName(" A "), " A ");
  EXPECT_EQ(CleanPrintName(std::string("\0A\0", 3)), std::string("\0A\0", 3));
  EXPECT_EQ(BufferText(std::string("ab\0cd", 5), 255), "ab");
  EXPECT_EQ(BufferText("abcdef", 4), "abcd");
  EXPECT_EQ(BufferText("", 4), "");
}

TEST_F(PrintJobTest, FailureCauseFollowsTheJob) {
  // A delivered job leaves no cause, a second opening names the open job.
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  EXPECT_EQ(PrintJobFailureCause, "");
  EXPECT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 0);
  EXPECT_EQ(PrintJobFailureCause, "another print job is still open");
  EndPrintJob();
  EXPECT_TRUE(PrintJobDelivered);
  EXPECT_EQ(PrintJobFailureCause, "");
  // A page that cannot be started later on ends the job with its reason.
  FakePrinter().failStartPageAt = 2;
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  EXPECT_EQ(StartNextPage(), 0);
  EXPECT_EQ(PrintJobFailureCause, "a new page could not be started");
  EndPrintJob();
  EXPECT_FALSE(PrintJobDelivered);
}

TEST_F(PrintJobTest, FontFitsPageOnlyWhenALineAndAWFit) {
  struct FitCase {
    int32_t pointSize;
    int pageWidth;  // the fake's page is 6600 pixels high at 600 dpi
    int32_t fits;
  };
  // Fake Sans at p points: em h = p * 600 / 72, a line h + h / 4 + h / 10 high, "W" h wide
  // (a negative size is a cell height: h = 4 / 5 of it).
  const FitCase cases[] = {
      {10, 4800, 1},     {576, 4800, 1},  {577, 4800, 0},   {586, 9000, 1},
      {587, 9000, 0},    {1000, 9000, 0}, {32767, 9000, 0}, {99999, 9000, 0},
      {-32768, 9000, 0}, {-10, 4800, 1},  {60, 500, 1},     {61, 500, 0},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.pointSize);
    UseFakePrinterDevice(true);
    FakePrinter().width = c.pageWidth;
    EXPECT_EQ(PrintFontFitsPage(), 0);  // no job
    ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
    ASSERT_EQ(SelectPrintFont("Fake Sans", c.pointSize), 1);
    EXPECT_EQ(PrintFontFitsPage(), c.fits);
    EndPrintJob();
  }
}

}  // namespace
