// Unit tests of the recording printer: its metrics, its records and its failures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_printer_fixture.h"

namespace {

using PrinterFake = OnFakePrinter;

TEST_F(PrinterFake, MetricsFollowTheFaceAndHeight) {
  struct Case {
    const char* face;
    int lfHeight;
    const char* drawnFace;
    int h;
    int advanceI;
    int advanceW;
    int advanceX;
  };
  const Case cases[] = {
      {"Fake Mono", -83, "Fake Mono", 83, 41, 41, 41},
      {"Fake Sans", -83, "Fake Sans", 83, 20, 83, 41},
      {"fake sans", 0, "Fake Sans", 100, 25, 100, 50},
      {"Fake Mono", 125, "Fake Mono", 100, 50, 50, 50},
      {"Courier New", -40, "Fake Mono", 40, 20, 20, 20},
  };
  HDC dc = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.lfHeight));
    LOGFONTA description = Font(c.face, c.lfHeight);
    HFONT font = CreateFontIndirectA(&description);
    ASSERT_NE(font, nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    ASSERT_NE(previous, nullptr);
    TEXTMETRICA tm;
    ASSERT_EQ(GetTextMetricsA(dc, &tm), 1);
    EXPECT_EQ(tm.tmAscent, c.h);
    EXPECT_EQ(tm.tmDescent, c.h / 4);
    EXPECT_EQ(tm.tmHeight, c.h + c.h / 4);
    EXPECT_EQ(tm.tmExternalLeading, c.h / 10);
    int widths[3];
    ASSERT_EQ(GetCharWidth32A(dc, 'w', 'y', widths), 1);
    EXPECT_EQ(widths[0], c.advanceW);
    EXPECT_EQ(widths[1], c.advanceX);
    SIZE size;
    ASSERT_EQ(GetTextExtentPoint32A(dc, "iWx", 3, &size), 1);
    EXPECT_EQ(size.cx, c.advanceI + c.advanceW + c.advanceX);
    EXPECT_EQ(size.cy, tm.tmHeight);
    SelectObject(dc, previous);
    EXPECT_EQ(DeleteObject(font), 1);
  }
  EXPECT_EQ(FakePrinter().charWidthCalls, 10);
  EXPECT_EQ(FakeFontsAlive(), 0);
  DeleteDC(dc);
}

TEST_F(PrinterFake, GeometryComesFromTheTestAndLandscapeSwaps) {
  FakePrinter().width = 3000;
  FakePrinter().height = 4000;
  FakePrinter().offsetX = 50;
  FakePrinter().dpi = 300;
  DEVMODEA landscape;
  landscape.dmFields = DM_ORIENTATION;
  landscape.dmOrientation = DMORIENT_LANDSCAPE;
  HDC portraitDc = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  HDC landscapeDc = CreateDCA(nullptr, "Fake Printer", nullptr, &landscape);
  ASSERT_NE(portraitDc, nullptr);
  ASSERT_NE(landscapeDc, nullptr);
  EXPECT_EQ(GetDeviceCaps(portraitDc, HORZRES), 3000);
  EXPECT_EQ(GetDeviceCaps(portraitDc, VERTRES), 4000);
  EXPECT_EQ(GetDeviceCaps(landscapeDc, HORZRES), 4000);
  EXPECT_EQ(GetDeviceCaps(landscapeDc, VERTRES), 3000);
  EXPECT_EQ(GetDeviceCaps(portraitDc, PHYSICALOFFSETX), 50);
  EXPECT_EQ(GetDeviceCaps(portraitDc, LOGPIXELSY), 300);
  EXPECT_EQ(GetDeviceCaps(portraitDc, RASTERCAPS) & RC_STRETCHDIB, RC_STRETCHDIB);
  EXPECT_EQ(FakePrinter().contextsAlive, 2);
  DeleteDC(portraitDc);
  DeleteDC(landscapeDc);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
}

TEST_F(PrinterFake, RecordsADocument) {
  HDC dc = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  DOCINFOA info;
  info.lpszDocName = "Tavrel DOS output";
  ASSERT_GT(StartDocA(dc, &info), 0);
  ASSERT_GT(StartPage(dc), 0);
  LOGFONTA description = Font("Fake Sans", -50);
  HFONT font = CreateFontIndirectA(&description);
  HGDIOBJ stock = SelectObject(dc, font);
  SetTextAlign(dc, TA_BASELINE);
  EXPECT_NE(TextOutA(dc, 100, 62, "first", 5), 0);
  EndPage(dc);
  ASSERT_GT(StartPage(dc), 0);
  SetTextAlign(dc, TA_BASELINE | TA_RIGHT);
  EXPECT_NE(TextOutA(dc, 900, 62, "second", 6), 0);
  EXPECT_EQ(SelectObject(dc, stock), font);
  DeleteObject(font);
  EXPECT_GT(EndDoc(dc), 0);
  DeleteDC(dc);

  // The page left open is ended with the document; the context's own font is not recorded.
  const std::vector<std::string> calls = {"StartDoc Tavrel DOS output",
                                          "StartPage",
                                          "SelectObject Fake Sans -50",
                                          "EndPage",
                                          "StartPage",
                                          "EndPage",
                                          "EndDoc",
                                          "DeleteDC"};
  EXPECT_EQ(FakePrinter().calls, calls);
  ASSERT_EQ(FakePrinter().draws.size(), 2u);
  const FakeTextDraw& first = FakePrinter().draws[0];
  const FakeTextDraw& second = FakePrinter().draws[1];
  EXPECT_EQ(first.page, 1);
  EXPECT_EQ(first.x, 100);
  EXPECT_EQ(first.y, 62);
  EXPECT_EQ(first.align, TA_BASELINE);
  EXPECT_EQ(first.text, "first");
  EXPECT_EQ(first.face, "Fake Sans");
  EXPECT_EQ(first.emHeight, 50);
  EXPECT_EQ(second.page, 2);
  EXPECT_EQ(second.align, TA_BASELINE | TA_RIGHT);
  EXPECT_EQ(second.text, "second");
  EXPECT_EQ(FakePrinter().pagesStarted, 2);
  EXPECT_EQ(FakeFontsAlive(), 0);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
}

TEST_F(PrinterFake, NothingIsDrawnOutsideAPage) {
  HDC dc = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(TextOutA(dc, 0, 0, "x", 1), 0);  // no document
  EXPECT_LE(StartPage(dc), 0);
  EXPECT_LE(EndPage(dc), 0);
  EXPECT_LE(EndDoc(dc), 0);
  DOCINFOA info;
  info.lpszDocName = "doc";
  ASSERT_GT(StartDocA(dc, &info), 0);
  EXPECT_EQ(TextOutA(dc, 0, 0, "x", 1), 0);  // no page yet
  EXPECT_TRUE(FakePrinter().draws.empty());
  DeleteDC(dc);
  EXPECT_EQ(DeleteDC(dc), 0);  // a stale handle is refused
}

TEST_F(PrinterFake, FailuresAsTheTestAsks) {
  // The second page of a document fails, the first page of the next one does not.
  FakePrinter().failStartPageAt = 2;
  HDC dc = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  DOCINFOA info;
  info.lpszDocName = "doc";
  ASSERT_GT(StartDocA(dc, &info), 0);
  EXPECT_GT(StartPage(dc), 0);
  EndPage(dc);
  EXPECT_LE(StartPage(dc), 0);
  EndDoc(dc);
  ASSERT_GT(StartDocA(dc, &info), 0);
  EXPECT_GT(StartPage(dc), 0);
  EndDoc(dc);

  FakePrinter().failStartDoc = true;
  EXPECT_LE(StartDocA(dc, &info), 0);
  DeleteDC(dc);

  // A face the test refuses cannot be selected; the font object is still the caller's to delete.
  FakePrinter().failSelectFace = "Fake Mono";
  dc = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  LOGFONTA description = Font("fake mono", -10);
  HFONT font = CreateFontIndirectA(&description);
  EXPECT_EQ(FakeFontsAlive(), 1);
  EXPECT_EQ(SelectObject(dc, font), nullptr);
  EXPECT_EQ(DeleteObject(font), 1);
  EXPECT_EQ(FakeFontsAlive(), 0);
  DeleteDC(dc);

  std::vector<std::string> names = {"untouched"};
  FakePrinter().failEnumPrinters = true;
  EXPECT_FALSE(EnumPrintersA(names));
  EXPECT_EQ(GetLastError(), 5u);
  EXPECT_EQ(names, std::vector<std::string>{"untouched"});
}

TEST_F(PrinterFake, PrintersAndFacesAreTheTestsOwn) {
  FakePrinter().printers = {"Counter", "Office/duplex"};
  FakePrinter().faces = {"Zeta Mono", "Alpha Sans", "Mid Mono"};
  std::vector<std::string> names;
  ASSERT_TRUE(EnumPrintersA(names));
  EXPECT_EQ(names, (std::vector<std::string>{"Counter", "Office/duplex"}));
  EXPECT_EQ(CreateDCA(nullptr, "Fake Printer", nullptr, nullptr), nullptr);
  HDC dc = CreateDCA(nullptr, "Office/duplex", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  FaceList all;
  EnumFontFamiliesA(dc, nullptr, CollectFace, reinterpret_cast<intptr_t>(&all));
  EXPECT_EQ(all.names, (std::vector<std::string>{"Zeta Mono", "Alpha Sans", "Mid Mono"}));
  FaceList two;
  two.limit = 2;
  EXPECT_EQ(EnumFontFamiliesA(dc, nullptr, CollectFace, reinterpret_cast<intptr_t>(&two)), 0);
  EXPECT_EQ(two.names.size(), 2u);
  DeleteDC(dc);
}

TEST_F(PrinterFake, FontsSelectedAndDeletedInAnyOrderAreReleased) {
  HDC dc = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  LOGFONTA description = Font("Fake Mono", -20);
  HFONT first = CreateFontIndirectA(&description);
  HFONT second = CreateFontIndirectA(&description);
  HGDIOBJ stock = SelectObject(dc, first);
  EXPECT_EQ(SelectObject(dc, second), first);
  EXPECT_EQ(DeleteObject(first), 1);
  // Deleted while selected: gone for the caller, kept until the context lets it go.
  EXPECT_EQ(DeleteObject(second), 1);
  EXPECT_EQ(SelectObject(dc, second), nullptr);
  TEXTMETRICA tm;
  EXPECT_EQ(GetTextMetricsA(dc, &tm), 1);
  EXPECT_EQ(tm.tmAscent, 20);
  EXPECT_EQ(SelectObject(dc, stock), second);
  EXPECT_EQ(FakeFontsAlive(), 0);
  DeleteDC(dc);
}

TEST_F(PrinterFake, SettingsQuestionTakesTheOperatorsKeys) {
  struct Case {
    const char* keys;
    long result;
    int16_t orientation;
  };
  const Case cases[] = {
      {"L", IDOK, DMORIENT_LANDSCAPE},
      {"xl", IDOK, DMORIENT_LANDSCAPE},
      {"\r", IDOK, DMORIENT_PORTRAIT},
      {"p", IDOK, DMORIENT_PORTRAIT},
      {"\x1b", IDCANCEL, 0},
      {"", IDCANCEL, 0},
      {"q", IDCANCEL, 0},
  };
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterA("Fake Printer", &printer));
  EXPECT_EQ(DocumentPropertiesA(nullptr, printer, "Fake Printer", nullptr, nullptr, 0),
            static_cast<long>(sizeof(DEVMODEA)));
  DEVMODEA defaults;
  defaults.dmOrientation = 0;
  EXPECT_EQ(
      DocumentPropertiesA(nullptr, printer, "Fake Printer", &defaults, nullptr, DM_OUT_BUFFER),
      IDOK);
  EXPECT_EQ(defaults.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_TRUE(defaults.dmFields & DM_ORIENTATION);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    FakePrinter().promptKeys = c.keys;
    DEVMODEA out;
    out.dmOrientation = 0;
    EXPECT_EQ(DocumentPropertiesA(nullptr, printer, "Fake Printer", &out, nullptr,
                                  DM_IN_PROMPT | DM_OUT_BUFFER),
              c.result);
    if (c.result == IDOK)
      EXPECT_EQ(out.dmOrientation, c.orientation);
    else
      EXPECT_EQ(out.dmOrientation, 0);
  }
  EXPECT_EQ(ClosePrinter(printer), 1);
  EXPECT_FALSE(OpenPrinterA("No Such Printer", &printer));
}

}  // namespace
