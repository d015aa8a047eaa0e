// Unit tests of measuring text in the print job's font, on the recording printer.
#include "print/text_measure.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_printer_fixture.h"
#include "print/discovery.h"
#include "print/print_job.h"

namespace {

using TextMeasureTest = OnFakePrinter;

TEST_F(TextMeasureTest, ExtentInTheSelectedFontOrNothingWithoutOne) {
  EXPECT_EQ(MeasurePrintText("wwwww").width, 0);  // no context
  EXPECT_EQ(MeasurePrintText("wwwww").height, 0);
  ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
  struct Case {
    const char* face;
    std::string text;
    int width;  // 12 points at 600 dpi: em 100
  };
  const Case cases[] = {
      {"Fake Mono", "iiiii", 250}, {"Fake Mono", "wwwww", 250},
      {"Fake Sans", "iiiii", 125}, {"Fake Sans", "wwwww", 500},
      {"Fake Sans", "", 0},        {"Fake Sans", std::string(3, '\0'), 150},  // bytes, not C text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.face) + " " + c.text);
    ASSERT_EQ(SelectPrintFont(c.face, 12), 1);
    const TextExtent extent = MeasurePrintText(c.text);
    EXPECT_EQ(extent.width, c.width);
    EXPECT_EQ(extent.height, 125);
  }
}

}  // namespace
