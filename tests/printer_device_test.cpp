// Unit tests of the real printer layer on "Print to PDF", with no CUPS scheduler answering.
#include <dirent.h>
#include <gtest/gtest.h>

#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "fake_printer_fixture.h"
#include "pdf_printer_fixture.h"
#include "platform/printer/linux/printer_canvas.h"
#include "platform/printer/printer_device.h"
#include "print/text_output.h"

namespace {

const char PdfPrinter[] = "Print to PDF";

// Names in a folder, without "." and "..".
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

class PrinterDevice : public OnPdfPrinter {
 protected:
  // A context of the built-in printer with a selected font.
  HDC PdfContext(const char* face, int height, HFONT* font, HGDIOBJ* stock) {
    HDC dc = CreateDCA(nullptr, PdfPrinter, nullptr, nullptr);
    if (!dc) return nullptr;
    LOGFONTA description = Font(face, height);
    *font = CreateFontIndirectA(&description);
    *stock = SelectObject(dc, *font);
    return dc;
  }

  // Starts a document of this name and its first page; false when either fails.
  static bool StartDocument(HDC dc, const char* name) {
    DOCINFOA info;
    info.lpszDocName = name;
    return StartDocA(dc, &info) > 0 && StartPage(dc) > 0;
  }

  // Releases what PdfContext made.
  static void Release(HDC dc, HFONT font, HGDIOBJ stock) {
    SelectObject(dc, stock);
    DeleteObject(font);
    DeleteDC(dc);
  }
};

TEST_F(PrinterDevice, WithoutSchedulerOnlyTheBuiltInPrinterIsListed) {
  std::vector<std::string> names = {"stale"};
  ASSERT_TRUE(EnumPrintersA(names));
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.back(), PdfPrinter);
  EXPECT_EQ(DefaultPrinterDevice(), "");
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterA(PdfPrinter, &printer));
  DEVMODEA defaults;
  EXPECT_EQ(DocumentPropertiesA(nullptr, printer, PdfPrinter, &defaults, nullptr, DM_OUT_BUFFER),
            IDOK);
  EXPECT_EQ(defaults.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(ClosePrinter(printer), 1);
  EXPECT_FALSE(OpenPrinterA("NoSuchQueue", &printer));
  EXPECT_EQ(CreateDCA(nullptr, "NoSuchQueue", nullptr, nullptr), nullptr);
}

TEST_F(PrinterDevice, BuiltInPrinterIsA4At600Dpi) {
  struct Case {
    int16_t orientation;
    int horz, vert, physicalWidth, physicalHeight;
  };
  // A4 is 4961 x 7016 pixels at 600 dpi; 6.35 mm margins are 150 pixels.
  const Case cases[] = {
      {DMORIENT_PORTRAIT, 4661, 6716, 4961, 7016},
      {DMORIENT_LANDSCAPE, 6716, 4661, 7016, 4961},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orientation);
    DEVMODEA settings;
    settings.dmFields = DM_ORIENTATION;
    settings.dmOrientation = c.orientation;
    HDC dc = CreateDCA(nullptr, PdfPrinter, nullptr, &settings);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), c.horz);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), c.vert);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), c.physicalWidth);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), c.physicalHeight);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 150);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 150);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 600);
    EXPECT_TRUE(GetDeviceCaps(dc, RASTERCAPS) & RC_STRETCHDIB);
    DeleteDC(dc);
  }
}

TEST_F(PrinterDevice, FontFamiliesAreFontconfigsSortedOnce) {
  HDC dc = CreateDCA(nullptr, PdfPrinter, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  FaceList all;
  EXPECT_NE(EnumFontFamiliesA(dc, nullptr, CollectFace, reinterpret_cast<intptr_t>(&all)), 0);
  EXPECT_NE(std::find(all.names.begin(), all.names.end(), "DejaVu Sans Mono"), all.names.end());
  for (size_t i = 1; i < all.names.size(); i++)
    EXPECT_LT(strcasecmp(all.names[i - 1].c_str(), all.names[i].c_str()), 0) << all.names[i];
  FaceList one;
  one.limit = 1;
  EXPECT_EQ(EnumFontFamiliesA(dc, nullptr, CollectFace, reinterpret_cast<intptr_t>(&one)), 0);
  EXPECT_EQ(one.names.size(), 1u);
  DeleteDC(dc);
}

TEST_F(PrinterDevice, MeasuresFixedPitchAndProportionalFaces) {
  HFONT font = nullptr;
  HGDIOBJ stock = nullptr;
  HDC dc = PdfContext("DejaVu Sans Mono", -83, &font, &stock);
  ASSERT_NE(dc, nullptr);
  ASSERT_NE(stock, nullptr);
  int widths[256];
  ASSERT_EQ(GetCharWidth32A(dc, 0, 255, widths), 1);
  EXPECT_EQ(widths['i'], widths['w']);
  EXPECT_EQ(widths['i'], 50);  // 1233 of 2048 units at an em of 83 pixels
  std::string all;
  long sum = 0;
  for (int byte = 1; byte < 256; byte++) {
    all += static_cast<char>(byte);
    sum += widths[byte];
  }
  TEXTMETRICA tm;
  ASSERT_EQ(GetTextMetricsA(dc, &tm), 1);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_GT(tm.tmAscent, 60);
  EXPECT_GT(tm.tmDescent, 10);
  EXPECT_GE(tm.tmExternalLeading, 0);
  SIZE size;
  ASSERT_EQ(GetTextExtentPoint32A(dc, all.data(), static_cast<int>(all.size()), &size), 1);
  EXPECT_EQ(size.cx, sum);
  EXPECT_EQ(size.cy, tm.tmHeight);

  // A positive height is the cell: the same cell gives the same font back.
  LOGFONTA byCell = Font("DejaVu Sans Mono", tm.tmHeight);
  HFONT cellFont = CreateFontIndirectA(&byCell);
  EXPECT_EQ(SelectObject(dc, cellFont), font);
  TEXTMETRICA cellTm;
  GetTextMetricsA(dc, &cellTm);
  EXPECT_EQ(cellTm.tmHeight, tm.tmHeight);

  // Proportional: narrow and wide letters differ; control bytes and the bytes without a
  // Windows-1252 character are all the missing glyph.
  LOGFONTA sans = Font("DejaVu Sans", -83);
  HFONT sansFont = CreateFontIndirectA(&sans);
  EXPECT_EQ(SelectObject(dc, sansFont), cellFont);
  ASSERT_EQ(GetCharWidth32A(dc, 0, 255, widths), 1);
  EXPECT_LT(widths['i'], widths['w']);
  EXPECT_EQ(widths[0x01], widths[0x81]);
  EXPECT_EQ(widths[0x1B], widths[0x8D]);
  EXPECT_NE(widths[0x80], widths[0x81]);  // the euro sign is a character

  // A face that is not installed gets a substitute.
  LOGFONTA missing = Font("No Such Face At All", -83);
  HFONT missingFont = CreateFontIndirectA(&missing);
  EXPECT_EQ(SelectObject(dc, missingFont), sansFont);
  EXPECT_EQ(GetTextMetricsA(dc, &tm), 1);
  EXPECT_GT(tm.tmHeight, 0);

  SelectObject(dc, font);
  DeleteObject(cellFont);
  DeleteObject(sansFont);
  DeleteObject(missingFont);
  Release(dc, font, stock);
}

TEST_F(PrinterDevice, DocumentBecomesAPdfInThePdfFolder) {
  HFONT font = nullptr;
  HGDIOBJ stock = nullptr;
  HDC dc = PdfContext("DejaVu Sans Mono", -83, &font, &stock);
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(StartDocument(dc, "Tavrel DOS output"));
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  SetBkMode(dc, TRANSPARENT);
  EXPECT_NE(TextOutA(dc, 150, 200, "Receipt 0042", 12), 0);
  SetTextAlign(dc, TA_BASELINE | TA_RIGHT);
  EXPECT_NE(TextOutA(dc, 4000, 400, "Total", 5), 0);
  EXPECT_GT(EndPage(dc), 0);
  ASSERT_GT(StartPage(dc), 0);
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  SetTextColor(dc, 0x0000FF);
  EXPECT_NE(TextOutA(dc, 150, 200, "Second\x80page", 11), 0);
  // The second page is left open: ending the document ends it.
  EXPECT_GT(EndDoc(dc), 0);
  Release(dc, font, stock);

  const std::vector<std::string> files = FolderNames("pdf");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      files[0], std::regex("Tavrel DOS output \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.pdf")))
      << files[0];
  const std::string path = "'pdf/" + files[0] + "'";
  const std::string pdfInfo = CommandOutput("pdfinfo " + path);
  EXPECT_TRUE(std::regex_search(pdfInfo, std::regex("Pages: +2\\n"))) << pdfInfo;
  EXPECT_NE(pdfInfo.find("595.276 x 841.89"), std::string::npos) << pdfInfo;
  EXPECT_NE(pdfInfo.find("Tavrel DOS output"), std::string::npos) << pdfInfo;
  const std::string text = CommandOutput("pdftotext " + path + " -");
  EXPECT_NE(text.find("Receipt 0042"), std::string::npos) << text;
  EXPECT_NE(text.find("Total"), std::string::npos) << text;
  EXPECT_NE(text.find("Second\u20acpage"), std::string::npos) << text;
  EXPECT_NE(CommandOutput("pdffonts " + path).find("DejaVuSansMono"), std::string::npos);

  // Positions: the left text starts at 150 + 150 pixels, the right one ends at 4150, both
  // in points (72 / 600), give or take the glyphs' side bearings.
  const std::string boxes = CommandOutput("pdftotext -bbox -f 1 -l 1 " + path + " -");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(boxes, m, std::regex("xMin=\"([0-9.]+)\"[^>]*>Receipt")));
  EXPECT_NEAR(std::stod(m[1]), 300 * 0.12, 2.0);
  ASSERT_TRUE(std::regex_search(boxes, m, std::regex("xMax=\"([0-9.]+)\"[^>]*>Total")));
  EXPECT_NEAR(std::stod(m[1]), 4150 * 0.12, 2.0);
}

TEST_F(PrinterDevice, TextAfterAMissingGlyphStartsWhereMeasured) {
  // Control bytes, DEL and the bytes without a Windows-1252 character are all the missing
  // glyph: drawn with its advance, the text after it in place.
  const std::string missing[] = {"\x01", "\t",   "\x0c", "\x1b", "\x1f", "\x7f",
                                 "\x81", "\x8d", "\x8f", "\x90", "\x9d", "\x1b\x1b"};
  HFONT font = nullptr;
  HGDIOBJ stock = nullptr;
  HDC dc = PdfContext("DejaVu Sans Mono", -83, &font, &stock);
  ASSERT_NE(dc, nullptr);
  int widths[256];
  ASSERT_EQ(GetCharWidth32A(dc, 0, 255, widths), 1);
  ASSERT_TRUE(StartDocument(dc, "Missing glyphs"));
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  std::vector<double> ends;  // where each line's "cd" ends, in points from the sheet's edge
  int y = 200;
  for (const std::string& bytes : missing) {
    const std::string text = "ab" + bytes + "@cd";
    SIZE size;
    ASSERT_EQ(GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size), 1);
    EXPECT_NE(TextOutA(dc, 150, y, text.data(), static_cast<int>(text.size())), 0);
    ends.push_back((150 + 150 + size.cx) * 72.0 / 600);
    y += 100;
  }
  EXPECT_GT(EndDoc(dc), 0);
  Release(dc, font, stock);

  const std::vector<std::string> files = FolderNames("pdf");
  ASSERT_EQ(files.size(), 1u);
  // pdftotext places each character by the PDF's own widths: the word ending in "cd" must end
  // where the measured width says, one line after another.
  const std::string boxes = CommandOutput("pdftotext -bbox 'pdf/" + files[0] + "' -");
  const std::regex word("xMax=\"([0-9.]+)\"[^>]*>[^<]*cd</word>");
  std::vector<double> found;
  for (auto it = std::sregex_iterator(boxes.begin(), boxes.end(), word);
       it != std::sregex_iterator(); ++it)
    found.push_back(std::stod((*it)[1]));
  ASSERT_EQ(found.size(), ends.size()) << boxes;
  for (size_t i = 0; i < ends.size(); i++) EXPECT_NEAR(found[i], ends[i], 0.5) << "line " << i;
}

TEST_F(PrinterDevice, OpaqueBackgroundCoversTheTextBeforeIt) {
  // A box drawn between texts must lie above the text drawn before it and below the text
  // drawn after it.
  HFONT font = nullptr;
  HGDIOBJ stock = nullptr;
  HDC dc = PdfContext("DejaVu Sans Mono", -83, &font, &stock);
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(StartDocument(dc, "Covered"));
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  SetBkMode(dc, TRANSPARENT);
  EXPECT_NE(TextOutA(dc, 150, 400, "WWWWWWWW", 8), 0);  // covered by the box below
  SetBkMode(dc, OPAQUE);                                // white box behind the text
  EXPECT_NE(TextOutA(dc, 150, 400, "        ", 8), 0);
  SetBkMode(dc, TRANSPARENT);
  EXPECT_NE(TextOutA(dc, 150, 600, "WWWWWWWW", 8), 0);  // not covered: the control
  EXPECT_GT(EndDoc(dc), 0);
  Release(dc, font, stock);
  const std::vector<std::string> files = FolderNames("pdf");
  ASSERT_EQ(files.size(), 1u);

  // The page at 72 dpi, one pixel a point, as grey bytes; dark pixels counted in each line's
  // box (x 36-84 pt, the baseline at 550 or 750 pixels = 66 or 90 pt).
  const std::string pgm = CommandOutput("pdftoppm -gray -r 72 -f 1 -l 1 'pdf/" + files[0] + "'");
  std::istringstream in(pgm);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  ASSERT_EQ(magic, "P5");
  std::vector<unsigned char> grey(static_cast<size_t>(width) * static_cast<size_t>(height));
  in.read(reinterpret_cast<char*>(grey.data()), static_cast<std::streamsize>(grey.size()));
  auto darkIn = [&](int baseline) {
    int dark = 0;
    for (int y = baseline - 10; y < baseline + 2; y++)
      for (int x = 36; x < 84; x++) dark += grey[static_cast<size_t>(y * width + x)] < 128;
    return dark;
  };
  EXPECT_EQ(darkIn(66), 0);
  EXPECT_GT(darkIn(90), 50);
}

TEST_F(PrinterDevice, PixelsAreSquareWhateverTheResolution) {
  // A printer of 1200 x 600 dpi gets one resolution, the finer, for both directions, so a
  // width measured in pixels is the same length across as down.
  struct Case {
    int dpiX, dpiY, dpi;
    int16_t orientation;
  };
  const Case cases[] = {
      {600, 600, 600, DMORIENT_PORTRAIT},
      {1200, 600, 1200, DMORIENT_PORTRAIT},
      {300, 600, 600, DMORIENT_PORTRAIT},
      {1200, 600, 1200, DMORIENT_LANDSCAPE},
  };
  MediaSize a4;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dpiX << "x" << c.dpiY << " " << c.orientation);
    DeviceContext dc;
    dc.settings.dmOrientation = c.orientation;
    SetPageGeometry(dc, a4, c.dpiX, c.dpiY);
    EXPECT_EQ(dc.dpiX, c.dpi);
    EXPECT_EQ(dc.dpiY, c.dpi);
    const bool turned = c.orientation == DMORIENT_LANDSCAPE;
    const double across = (turned ? a4.length : a4.width) / 2540.0;  // inches
    const double down = (turned ? a4.width : a4.length) / 2540.0;
    EXPECT_NEAR(dc.physicalWidth, across * c.dpi, 1);
    EXPECT_NEAR(dc.physicalHeight, down * c.dpi, 1);
    EXPECT_NEAR(dc.pageWidthPoints, across * 72, 0.01);
    EXPECT_NEAR(dc.offsetX, a4.left / 2540.0 * c.dpi, 1);
  }
}

TEST_F(PrinterDevice, NameInUseGetsACounterAndIsNeverOverwritten) {
  // The names of the next seconds are taken already.
  ASSERT_EQ(mkdir("pdf", 0777), 0);
  const time_t now = time(nullptr);
  for (time_t t = now; t < now + 5; t++) {
    struct tm local;
    localtime_r(&t, &local);
    char name[80];
    strftime(name, sizeof name, "pdf/Shop %Y-%m-%d %H-%M-%S.pdf", &local);
    std::ofstream(name) << "earlier";
  }
  HDC dc = CreateDCA(nullptr, PdfPrinter, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(StartDocument(dc, "Shop"));
  EXPECT_GT(EndDoc(dc), 0);
  DeleteDC(dc);
  int counted = 0;
  for (const std::string& name : FolderNames("pdf")) {
    if (name.find(" (2).pdf") != std::string::npos) {
      counted++;
      continue;
    }
    std::ifstream file("pdf/" + name);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), "earlier") << name;
  }
  EXPECT_EQ(counted, 1);
  EXPECT_EQ(FolderNames("pdf").size(), 6u);  // no temporary file left behind
}

TEST_F(PrinterDevice, LongDocumentIsWrittenWholeAsItIsDrawn) {
  HFONT font = nullptr;
  HGDIOBJ stock = nullptr;
  HDC dc = PdfContext("DejaVu Sans Mono", -50, &font, &stock);
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(StartDocument(dc, "Long"));
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  // Text that compresses badly, so the PDF goes well past what is held before a write.
  uint32_t state = 12345;
  const int pages = 150;
  for (int page = 1; page <= pages; page++) {
    if (page > 1) {
      ASSERT_GT(StartPage(dc), 0);
    }
    for (int line = 1; line <= 60; line++) {
      std::string text = "p" + std::to_string(page) + "l" + std::to_string(line) + " ";
      while (text.size() < 70) {
        state = state * 1103515245u + 12345u;
        text.push_back(static_cast<char>('!' + (state >> 16) % 94));
      }
      ASSERT_NE(TextOutA(dc, 0, line * 100, text.data(), static_cast<int>(text.size())), 0);
    }
    ASSERT_GT(EndPage(dc), 0);
  }
  ASSERT_GT(EndDoc(dc), 0);
  Release(dc, font, stock);

  const std::vector<std::string> files = FolderNames("pdf");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_GT(std::filesystem::file_size("pdf/" + files[0]), 512u * 1024u);
  const std::string path = "'pdf/" + files[0] + "'";
  EXPECT_TRUE(std::regex_search(CommandOutput("pdfinfo " + path),
                                std::regex("Pages: +" + std::to_string(pages) + "\\n")));
  const std::string last = CommandOutput("pdftotext -f 150 -l 150 " + path + " -");
  EXPECT_NE(last.find("p150l60 "), std::string::npos) << last;
}

TEST_F(PrinterDevice, FilesOfKilledDocumentsAreRemovedAtTheNextDocument) {
  // A process that has ended, and one that is running (the test runner's parent).
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  ASSERT_EQ(mkdir("pdf", 0777), 0);
  const std::string abandoned = ".tavrel-" + std::to_string(ended) + "-0.tmp";
  const std::string running = ".tavrel-" + std::to_string(getppid()) + "-0.tmp";
  for (const std::string& name : {abandoned, running, std::string(".tavrel-notes.tmp")})
    WriteWholeFile("pdf/" + name, "%PDF-1.5 unfinished");

  HFONT font = nullptr;
  HGDIOBJ stock = nullptr;
  HDC dc = PdfContext("DejaVu Sans Mono", -50, &font, &stock);
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(StartDocument(dc, "Next"));
  EXPECT_GT(EndDoc(dc), 0);
  Release(dc, font, stock);

  const std::vector<std::string> names = FolderNames("pdf");
  EXPECT_EQ(names.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists("pdf/" + abandoned));
  EXPECT_TRUE(std::filesystem::exists("pdf/" + running));
  EXPECT_TRUE(std::filesystem::exists("pdf/.tavrel-notes.tmp"));
  EXPECT_EQ(std::count_if(names.begin(), names.end(),
                          [](const std::string& name) { return name.rfind("Next ", 0) == 0; }),
            1);
}

TEST_F(PrinterDevice, UnfinishedOrMissingDocumentsWriteNothing) {
  HFONT font = nullptr;
  HGDIOBJ stock = nullptr;
  HDC dc = PdfContext("DejaVu Sans Mono", -50, &font, &stock);
  ASSERT_NE(dc, nullptr);
  // A context without a document: the page calls fail and nothing is drawn.
  EXPECT_LE(StartPage(dc), 0);
  EXPECT_EQ(TextOutA(dc, 0, 100, "x", 1), 0);
  EXPECT_LE(EndPage(dc), 0);
  EXPECT_LE(EndDoc(dc), 0);
  // A document whose context is deleted before its end is thrown away.
  ASSERT_TRUE(StartDocument(dc, "Abandoned"));
  EXPECT_NE(TextOutA(dc, 0, 100, "lost", 4), 0);
  Release(dc, font, stock);
  EXPECT_TRUE(FolderNames("pdf").empty());  // nor its temporary file

  // Where the folder cannot be made the document does not start.
  ASSERT_EQ(rmdir("pdf"), 0);
  WriteWholeFile("pdf", "");
  dc = PdfContext("DejaVu Sans Mono", -50, &font, &stock);
  ASSERT_NE(dc, nullptr);
  DOCINFOA info;
  info.lpszDocName = "Nowhere";
  EXPECT_LE(StartDocA(dc, &info), 0);
  Release(dc, font, stock);
}

// "pdf" that is a link (to a folder or to nothing) or not a folder at all: the document does
// not start, and nothing is written where a link points.
TEST_F(PrinterDevice, PdfFolderIsNeverReachedThroughALink) {
  struct FolderCase {
    const char* what;
    const char* linkTarget;  // null: "pdf" is an ordinary file
  };
  const FolderCase cases[] = {
      {"link to a folder", "elsewhere"},
      {"link to nothing", "missing"},
      {"ordinary file", nullptr},
  };
  ASSERT_EQ(mkdir("elsewhere", 0777), 0);
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.linkTarget)
      ASSERT_EQ(symlink(c.linkTarget, "pdf"), 0);
    else
      WriteWholeFile("pdf", "");
    EXPECT_EQ(OpenPrintJob(PdfPrinter, "Redirected", 80, 60, 0), 0);
    EXPECT_EQ(PrintJob.PrinterDc, nullptr);
    EXPECT_EQ(PrintJobFailureCause, "the folder pdf is a link or not a folder");
    EXPECT_TRUE(FolderNames("elsewhere").empty());
    EXPECT_FALSE(std::filesystem::exists("missing"));
    EXPECT_EQ(std::filesystem::is_symlink("pdf"), c.linkTarget != nullptr);
    ASSERT_EQ(unlink("pdf"), 0);
  }
  // A real folder takes the document.
  ASSERT_EQ(OpenPrintJob(PdfPrinter, "Placed", 80, 60, 0), 1);
  EndPrintJob();
  EXPECT_TRUE(PrintJobDelivered);
  EXPECT_EQ(FolderNames("pdf").size(), 1u);
}

// A scheduler that takes connections and never answers (a socket nobody accepts on): "Print
// to PDF" prints at once, and a CUPS printer's job gives up after one bounded wait.
TEST_F(PrinterDevice, HungSchedulerCostsOneBoundedWaitAndPdfNone) {
  const std::string socketPath = folder_ + "/hung.sock";
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 16), 0);
  setenv("CUPS_SERVER", socketPath.c_str(), 1);
  cupsSetServer(nullptr);
  using Clock = std::chrono::steady_clock;
  auto seconds = [](Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
  };

  Clock::time_point start = Clock::now();
  ASSERT_EQ(OpenPrintJob(PdfPrinter, "While it hangs", 80, 60, 0), 1);
  EXPECT_EQ(SelectPrintFont("DejaVu Sans Mono", 10), 1);
  EXPECT_NE(PrintLine("PRINTED WHILE THE SCHEDULER HANGS"), 0);
  EndPrintJob();
  EXPECT_LT(seconds(start), 2.0);
  EXPECT_TRUE(PrintJobDelivered);
  EXPECT_EQ(FolderNames("pdf").size(), 1u);

  start = Clock::now();
  EXPECT_EQ(OpenPrintJob("office", "Waits once", 80, 60, 0), 0);
  const double waited = seconds(start);
  EXPECT_GE(waited, SchedulerWaitSeconds - 1.0);
  EXPECT_LT(waited, SchedulerWaitSeconds + 3.0);
  EXPECT_EQ(PrintJobFailureCause, "the printer's scheduler did not answer within " +
                                      std::to_string(SchedulerWaitSeconds) + " seconds");
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);

  setenv("CUPS_SERVER", "/nonexistent/tavrel-test/cups.sock", 1);
  cupsSetServer(nullptr);
  close(listener);
}

}  // namespace
