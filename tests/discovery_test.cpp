// Printer and font discovery on the recording printer: the lists, their counts, the context.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_printer_fixture.h"
#include "print/discovery.h"

namespace {

using Names = std::vector<std::string>;

class DiscoveryTest : public OnFakePrinter {
 protected:
  void SetUp() override {
    OnFakePrinter::SetUp();
    CreateNameLists();
  }
};

TEST_F(DiscoveryTest, NameListsStartWithTwoEmptyEntries) {
  EXPECT_EQ(PrinterNames, (Names{"", ""}));
  EXPECT_EQ(FontNames, (Names{"", ""}));
  PrinterNames = {"kept"};
  CreateNameLists();
  EXPECT_EQ(PrinterNames, (Names{"kept"}));
}

TEST_F(DiscoveryTest, PrintersFillCountPlusOneEntries) {
  FakePrinter().printers = {"A", "B", "A"};
  EXPECT_EQ(EnumeratePrinters(), 3);
  EXPECT_EQ(PrinterCount, 3);
  EXPECT_EQ(PrinterNames, (Names{"A", "B", "A", ""}));

  FakePrinter().printers = {"C"};
  EXPECT_EQ(EnumeratePrinters(), 1);
  EXPECT_EQ(PrinterNames, (Names{"C", ""}));
}

TEST_F(DiscoveryTest, NothingFoundKeepsStaleEntries) {
  FakePrinter().printers = {"A", "B", "C"};
  ASSERT_EQ(EnumeratePrinters(), 3);

  FakePrinter().printers.clear();
  EXPECT_EQ(ConsoleOf([] { EXPECT_EQ(EnumeratePrinters(), 0); }), "");
  EXPECT_EQ(PrinterCount, 0);
  EXPECT_EQ(PrinterNames, (Names{"A", "B", "C", ""}));

  FakePrinter().printers = {"D"};
  ASSERT_EQ(EnumeratePrinters(), 1);
  FakePrinter().failEnumPrinters = true;
  // The message, two print zones (7 and 14 blanks after its 21 bytes), the error number.
  EXPECT_EQ(ConsoleOf([] { EXPECT_EQ(EnumeratePrinters(), 0); }),
            "Error on EnumPrinters" + std::string(21, ' ') + "Err1 ret= 5\n");
  EXPECT_EQ(PrinterCount, 0);
  EXPECT_EQ(PrinterNames, (Names{"D", ""}));
  EXPECT_FALSE(IsPrinterPosition(0));
}

TEST_F(DiscoveryTest, PositionsBelowTheCountOnly) {
  FakePrinter().printers = {"A", "B"};
  ASSERT_EQ(EnumeratePrinters(), 2);
  const struct {
    int position;
    bool valid;
  } cases[] = {{-1, false}, {0, true}, {1, true}, {2, false}, {32767, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_EQ(IsPrinterPosition(c.position), c.valid);
  }
  EXPECT_FALSE(IsFontPosition(0));  // no font discovery yet
}

TEST_F(DiscoveryTest, PrinterContextNameRules) {
  std::string longName(255, 'n');
  FakePrinter().printers = {"Shop ", longName};
  const struct {
    std::string given;
    bool created;
  } cases[] = {
      {"Shop ", true},
      {std::string("\0 Shop \0 ", 9), true},
      {"Shop", false},
      {longName + "cut", true},  // only the first 255 characters count
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    HDC dc = OpenPrinterContext(c.given);
    EXPECT_EQ(dc != nullptr, c.created);
    EXPECT_EQ(PrintJob.PrinterDc, dc);
    EndPrintJob();
  }
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
}

TEST_F(DiscoveryTest, OccupiedSlotKeepsItsContext) {
  FakePrinter().printers = {"A", "B"};
  HDC first = OpenPrinterContext("A");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(OpenPrinterContext("B"), nullptr);
  EXPECT_EQ(PrintJob.PrinterDc, first);
  EXPECT_EQ(FakePrinter().contextsAlive, 1);
  EXPECT_EQ(EnumerateFonts(), 2);  // the fonts of A
}

TEST_F(DiscoveryTest, FontsListedInOrderWithDuplicates) {
  FakePrinter().faces = {"Fake Mono", "Fake Sans", "Fake Mono"};
  ASSERT_NE(OpenPrinterContext("Fake Printer"), nullptr);
  for (int round = 0; round < 2; ++round) {  // a second discovery does not accumulate
    EXPECT_EQ(EnumerateFonts(), 3);
    EXPECT_EQ(FontCount, 3);
    EXPECT_EQ(FontNames, (Names{"Fake Mono", "Fake Sans", "Fake Mono", ""}));
    EXPECT_TRUE(FaceNameBuffer.empty());
  }
}

TEST_F(DiscoveryTest, NoContextNoFonts) {
  FontNames = {"old", "names", ""};
  FontCount = 2;
  EXPECT_EQ(EnumerateFonts(), 0);
  EXPECT_EQ(FontCount, 0);
  EXPECT_EQ(FontNames, (Names{"old", "names", ""}));

  EXPECT_EQ(OpenPrinterContext("Not There"), nullptr);
  EXPECT_EQ(EnumerateFonts(), 0);
  EXPECT_EQ(FontNames, (Names{"old", "names", ""}));
}

TEST_F(DiscoveryTest, CollectFontFaceAppendsNameAndTab) {
  ENUMLOGFONTA font;
  std::string face(31, 'x');
  face.copy(font.elfLogFont.lfFaceName, face.size());
  EXPECT_EQ(CollectFontFace(&font.elfLogFont, nullptr, 4, 0), 1);
  EXPECT_EQ(FaceNameBuffer, face + "\t");
  FaceNameBuffer.clear();
}

TEST_F(DiscoveryTest, DefaultPrinterNameUpToComma) {
  FakePrinter().printers = {"A"};
  ASSERT_EQ(EnumeratePrinters(), 1);
  const struct {
    std::string device;
    std::string name;
  } cases[] = {
      {"", ""},
      {"Shop", "Shop"},
      {"Shop Printer ,winspool,Ne00:", "Shop Printer "},
      {std::string("\0 Till,x", 8), "Till"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    FakePrinter().defaultPrinter = c.device;
    EXPECT_EQ(DefaultPrinterName(), c.name);
  }
  EXPECT_EQ(PrinterNames, (Names{"A", ""}));  // the lists are not touched
}

}  // namespace
