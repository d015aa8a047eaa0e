// Printer and font listings and name lookups on the recording printer.

#include <gtest/gtest.h>

#include <string>

#include "config/printer_lists.h"
#include "fake_printer_fixture.h"
#include "print/discovery.h"

namespace {

// Listings write to standard output, not a console here: no numbers.
class PrinterListsTest : public OnFakePrinter {
 protected:
  void SetUp() override {
    OnFakePrinter::SetUp();
    CreateNameLists();
  }
};

TEST_F(PrinterListsTest, FindPrinterExactAndLastMatch) {
  FakePrinter().printers = {"Shop", "shop", "Shop", "Till "};
  const struct {
    std::string name;
    int16_t found;
  } cases[] = {{"Shop", 3}, {"shop", 2}, {"SHOP", 0}, {"Till", 0}, {"Till ", 4}, {"", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindPrinter(c.name), c.found);
  }
  FakePrinter().printers.clear();
  EXPECT_EQ(FindPrinter("Shop"), 0);  // the stale list is not searched
}

TEST_F(PrinterListsTest, FindFontReleasesTheContext) {
  FakePrinter().printers = {"A", "B"};
  FakePrinter().faces = {"Fake Mono", "Fake Sans", "Fake Mono"};
  ASSERT_EQ(FindPrinter("B"), 2);
  EXPECT_EQ(FindFont("Fake Mono", 1), 3);
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(FindFont("Fake Sans", 0), 2);
  EXPECT_EQ(FindFont("fake sans", 0), 0);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
  EXPECT_EQ(OpenPrintJob("A", PrintDocumentName, 80, 60, 0), 1);  // opens normally
  EndPrintJob();
}

TEST_F(PrinterListsTest, PositionsOutsideTheListsAreNotRead) {
  FakePrinter().printers = {"A", "B"};
  ASSERT_EQ(FindPrinter("A"), 1);
  for (int16_t position : {int16_t{-1}, int16_t{2}, int16_t{-32768}, int16_t{32767}}) {
    SCOPED_TRACE(position);
    FakePrinter().calls.clear();
    EXPECT_EQ(FindFont("Fake Mono", position), 0);
    EXPECT_EQ(FontNameAt(0, position), "");
    EXPECT_EQ(StdOutOf([&] { ListFixedPitchFonts(position); }), "");
    EXPECT_EQ(PrinterNameAt(position), "");
    EXPECT_EQ(FontCount, 0);
    EXPECT_FALSE(HasCallStarting("SelectObject"));
    EXPECT_EQ(FakePrinter().contextsAlive, 0);
  }
}

TEST_F(PrinterListsTest, NamesAtPositions) {
  FakePrinter().printers = {"A", "B"};
  EXPECT_EQ(PrinterNameAt(1), "B");
  EXPECT_EQ(FontNameAt(1, 0), "Fake Sans");
  EXPECT_EQ(FontNameAt(2, 0), "");  // the empty entry after the names
  EXPECT_EQ(ConsoleOf([] { EXPECT_EQ(FontNameAt(-1, 0), ""); }), "Listing Fonts for printer\n");
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);

  // With no printer found, even the names left from before are not handed out.
  FakePrinter().printers.clear();
  EXPECT_EQ(PrinterNameAt(0), "");
}

TEST_F(PrinterListsTest, FixedPitchListingKeepsPositions) {
  FakePrinter().faces = {"Fake Sans", "Fake Mono", "Fake Sans", "Fake Mono"};
  std::string listed;
  EXPECT_EQ(ConsoleOf([&] { listed = StdOutOf([] { ListFixedPitchFonts(0); }); }),
            "Listing Fonts for printer\n 4 found\n");
  // Redirected: bare face names, only the fixed-pitch ones.
  EXPECT_EQ(listed, "Fake Mono\r\nFake Mono\r\n");
  EXPECT_EQ(FontCount, 4);
  EXPECT_EQ(PrintJob.PrinterDc, nullptr);
  EXPECT_EQ(FakeFontsAlive(), 0);
  EXPECT_EQ(FakePrinter().contextsAlive, 0);
  EXPECT_TRUE(HasCallStarting("SelectObject Fake Sans -100"));  // 12 points at 600 dpi
}

TEST_F(PrinterListsTest, PrinterListing) {
  FakePrinter().printers = {"A", "Shop", "Shop"};
  EXPECT_EQ(StdOutOf([] { ListPrinters(""); }), " A\r\n Shop\r\n Shop\r\n");
  EXPECT_EQ(StdOutOf([] { ListPrinters("Shop"); }),
            " A\r\nYour selection  Shop\r\nYour selection  Shop\r\n");
  FakePrinter().printers.clear();
  std::string listed;
  EXPECT_EQ(ConsoleOf([&] { listed = StdOutOf([] { ListPrinters(""); }); }), "No Printers found\n");
  EXPECT_EQ(listed, "");
}

}  // namespace
