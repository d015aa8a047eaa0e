// Document printing on the recording printer: the test page and capture files.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_printer_fixture.h"
#include "pdf_printer_fixture.h"
#include "base/error_code.h"
#include "print/discovery.h"
#include "print/document_printing.h"
#include "base/number_text.h"

namespace {

using Texts = std::vector<std::string>;

// Fake Mono at 12 points, 600 dpi: em 100, line step 125 + 10.
constexpr int LineStep = 135;

class DocumentPrintingTest : public OnFakePrinterInTempFolder {
 protected:
  // A capture file with exactly these bytes.
  std::string WriteFile(const std::string& bytes) {
    std::string name = folder_ + "/doc" + std::to_string(written_++) + ".dry";
    std::ofstream(name, std::ios::binary) << bytes;
    return name;
  }
  // Prints the file with the first printer and font at 12 points.
  static void Print(const std::string& file) {
    int16_t printer = 0;
    int16_t font = 0;
    int16_t size = 12;
    PrintDocument(printer, font, size, file);
  }

  int written_ = 0;
};

TEST_F(DocumentPrintingTest, TestPageIsOneEmptyPage) {
  int16_t printer = 0;
  int16_t font = 1;
  int16_t size = 0;
  EXPECT_EQ(ConsoleOf([&] { PrintDocument(printer, font, size, TestPageName); }), " 1 \n 1 \n");
  EXPECT_EQ(size, 12);  // written back
  EXPECT_EQ(printer, 0);
  EXPECT_EQ(font, 1);
  EXPECT_EQ(CountCalls("StartDoc Tavrel DOS output"), 1);
  EXPECT_EQ(FakePrinter().pagesStarted, 1);
  EXPECT_TRUE(FakePrinter().draws.empty());
  EXPECT_EQ(CountCalls("SelectObject Fake Sans -100"), 1);
  EXPECT_EQ(CountCalls("EndDoc"), 1);
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(FakeFontsAlive(), 0);
  EXPECT_TRUE(PrintJobDelivered);
}

struct DocumentCase {
  const char* what;
  std::string bytes;
  Texts drawn;
};

TEST_F(DocumentPrintingTest, LinesReachThePrinter) {
  const DocumentCase cases[] = {
      {"blank line takes no space", "first\r\n\r\nsecond\r\n", {"first", "second"}},
      {"CR alone ends a line", "a\rb\r", {"a", "b"}},
      {"a lone LF stays in the line", "a\nb\r\nc", {"a\nb", "c"}},
      {"Ctrl-Z ends the data",
       "a\r\nb\x1a"
       "c\r\nd",
       {"a", "b"}},
      {"empty file", "", {}},
      {"Ctrl-Z first",
       "\x1a"
       "text",
       {}},
      {"control bytes reach the printer",
       "\x1b"
       "E\x0c"
       "\tx",
       {"\x1b"
        "E\x0c"
        "\tx"}},
  };
  for (const DocumentCase& c : cases) {
    SCOPED_TRACE(c.what);
    UseFakePrinterDevice(true);
    std::string echo;
    for (const std::string& line : c.drawn) echo += line + "\n";
    // Both results, then the non-empty lines: a blank line shows no blank console line.
    std::string file = WriteFile(c.bytes);
    EXPECT_EQ(ConsoleOf([&] { Print(file); }), " 1 \n 1 \n" + echo);
    EXPECT_EQ(DrawnTexts(), c.drawn);
    for (size_t i = 0; i < FakePrinter().draws.size(); ++i)
      EXPECT_EQ(FakePrinter().draws[i].y, static_cast<int>(i + 1) * LineStep);
    EXPECT_EQ(FakePrinter().pagesStarted, 1);
    EXPECT_EQ(CountCalls("EndDoc"), 1);
    EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  }
}

TEST_F(DocumentPrintingTest, LongLineBrokenByWidth) {
  Print(WriteFile(std::string(200, 'x') + "\n" + std::string(10, 'y')));
  // 211 bytes at 50 each, 95 to a printed line.
  EXPECT_EQ(FakePrinter().draws.size(), 3u);
}

TEST_F(DocumentPrintingTest, MissingFileOpensNoJob) {
  EXPECT_EQ(ConsoleOf([&] { Print(folder_ + "/missing.dry"); }),
            "Error detected! on file open 53 \n");
  EXPECT_EQ(ErrorCode, 53);
  EXPECT_EQ(CountCalls("StartDoc Tavrel DOS output"), 0);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
  EXPECT_TRUE(FakePrinter().draws.empty());
  EXPECT_FALSE(PrintJobDelivered);
}

TEST_F(DocumentPrintingTest, UnreadableFileIsNotPrinted) {
  // The process's own memory file opens as an ordinary file, but reading it from offset 0
  // fails (EIO): the job opened for it is cancelled, not handed over half-read.
  EXPECT_EQ(ConsoleOf([&] { Print("/proc/self/mem"); }),
            " 1 \n 1 \nError detected! on file read, document not printed 72 \n");
  EXPECT_EQ(CountCalls("StartDoc Tavrel DOS output"), 1);
  EXPECT_EQ(CountCalls("EndDoc"), 0);
  EXPECT_EQ(CountCalls("DeleteDC"), 1);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
  EXPECT_EQ(FakeFontsAlive(), 0);
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_FALSE(PrintJobDelivered);
}

TEST_F(DocumentPrintingTest, FileStaysAfterPrinting) {
  std::string file = WriteFile("keep me\r\n");
  Print(file);
  EXPECT_EQ(access(file.c_str(), F_OK), 0);
  EXPECT_EQ(DrawnTexts(), Texts{"keep me"});
}

TEST_F(DocumentPrintingTest, IndicesOutsideTheListsAreNotRead) {
  std::string file = WriteFile("line\r\n");
  struct IndexCase {
    const char* what;
    int16_t printer;
    int16_t font;
    bool opened;
    bool ownFont;  // printed in the context's own font
  };
  const IndexCase cases[] = {
      {"printer -1", -1, 0, false, false},
      {"printer past the list", 1, 0, false, false},
      {"font -1", 0, -1, true, true},
      {"font past the list", 0, 2, true, true},
  };
  for (const IndexCase& c : cases) {
    SCOPED_TRACE(c.what);
    UseFakePrinterDevice(true);
    int16_t printer = c.printer;
    int16_t font = c.font;
    int16_t size = 10;
    std::string results = std::string(c.opened ? " 1 \n" : " 0 \n") + " 0 \n";
    EXPECT_EQ(ConsoleOf([&] { PrintDocument(printer, font, size, file); }),
              results + "line\n");  // read and echoed even without a job
    EXPECT_EQ(CountCalls("StartDoc Tavrel DOS output"), c.opened ? 1 : 0);
    EXPECT_EQ(FakePrinter().draws.size(), c.opened ? 1u : 0u);
    bool created = false;
    for (const auto& call : FakePrinter().calls) created |= call.rfind("SelectObject", 0) == 0;
    EXPECT_EQ(created, c.opened && !c.ownFont);
    EXPECT_EQ(FakePrinter().contextsAlive, 0);
    EXPECT_EQ(PrintJobDelivered, c.opened);
  }
}

TEST_F(DocumentPrintingTest, FailedPageStopsPrintingNotReading) {
  FakePrinter().failStartPageAt = 2;
  std::string bytes;
  for (int i = 0; i < 60; ++i) bytes += "line " + std::to_string(i) + "\r\n";
  Print(WriteFile(bytes));
  EXPECT_EQ(FakePrinter().draws.size(), 48u);  // page 1 only
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_FALSE(PrintJobDelivered);
}

// Sizes whose font cannot fit the page: a message naming the size, nothing printed, the file
// left as it was; a normal size prints the document.
class DocumentOnPdfPrinter : public OnPdfPrinter {};

TEST_F(DocumentOnPdfPrinter, PointSizeTooLargeForThePagePrintsNothing) {
  ASSERT_GT(EnumeratePrinters(), 0);
  const auto printerAt = std::find(PrinterNames.begin(), PrinterNames.end(), "Print to PDF");
  ASSERT_NE(printerAt, PrinterNames.end());
  ASSERT_NE(OpenPrinterContext("Print to PDF"), nullptr);
  EnumerateFonts();
  EndPrintJob();
  const auto fontAt = std::find(FontNames.begin(), FontNames.end(), "DejaVu Sans Mono");
  ASSERT_NE(fontAt, FontNames.end());
  const std::string document = "FIRST LINE\r\nSECOND LINE\r\n";
  WriteWholeFile("capture.dry", document);

  struct SizeCase {
    int16_t size;
    std::string file;
    std::string console;  // after the two result lines
  };
  const std::string tooLarge = " is too large for the page; the document was not printed.\n";
  const SizeCase cases[] = {
      {10, "capture.dry", "FIRST LINE\nSECOND LINE\n"},
      {1000, "capture.dry", "Point size 1000" + tooLarge},
      {32767, "capture.dry", "Point size 32767" + tooLarge},
      {StoreInt16(99999), "capture.dry", "Point size -31073" + tooLarge},
      {-32768, "capture.dry", "Point size -32768" + tooLarge},
      {1000, TestPageName,
       "Point size 1000 is too large for the page; the test page was not "
       "printed.\n"},
  };
  size_t pdfs = 0;
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.size);
    int16_t printer = static_cast<int16_t>(printerAt - PrinterNames.begin());
    int16_t font = static_cast<int16_t>(fontAt - FontNames.begin());
    int16_t size = c.size;
    EXPECT_EQ(ConsoleOf([&] { PrintDocument(printer, font, size, c.file); }),
              " 1 \n 1 \n" + c.console);
    const bool printed = c.size == 10;
    if (printed) pdfs++;
    EXPECT_EQ(PrintJobDelivered, printed);
    EXPECT_EQ(PrintJob.PrinterDc, nullptr);
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator("pdf"))
      if (entry.is_regular_file()) ++files;
    EXPECT_EQ(files, pdfs);
    EXPECT_EQ(ReadWholeFile("capture.dry"), document);
  }
}

}  // namespace
