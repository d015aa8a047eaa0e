// Bitmap output on the recording printer: placement, size, messages and released handles.
#include "print/bitmap_output.h"

#include <gtest/gtest.h>

#include <string>

#include "bitmap_test_files.h"
#include "fake_printer_fixture.h"
#include "platform/printer/printer_bitmap.h"

namespace {

class BitmapOutputTest : public OnFakePrinterInTempFolder {
 protected:
  void SetUp() override {
    OnFakePrinterInTempFolder::SetUp();
    FakeBitmapDraws().clear();
    BitmapDevice() = BitmapDeviceState();
  }
  void TearDown() override {
    OnFakePrinterInTempFolder::TearDown();
    // Every path releases what it obtained.
    EXPECT_EQ(BitmapDevice().bitmapsAlive, 0);
    EXPECT_EQ(BitmapDevice().screenContextsAlive, 0);
    EXPECT_EQ(BitmapDevice().memoryContextsAlive, 0);
  }
  // Opens the job on the fake's 4800 x 6600 page at 600 dpi with its left offset of 100.
  void OpenJob() {
    ASSERT_EQ(OpenPrintJob("Fake Printer", PrintDocumentName, 80, 60, 0), 1);
    ASSERT_EQ(PrintJob.GridColumnWidth, 4800 / 82);
    ASSERT_EQ(PrintJob.GridRowHeight, 6600 / 61);
  }
  // Writes a 24-bit picture of the given size with distinct pixels; returns its path.
  std::string Picture24(int width, int height, const std::string& name = "picture.bmp") {
    TestBitmapLayout layout;
    layout.width = width, layout.height = height;
    std::vector<uint32_t> pixels;
    for (int i = 0; i < width * height; ++i) pixels.push_back(static_cast<uint32_t>(i) * 0x010203u);
    std::string path = folder_ + "/" + name;
    WriteTestFile(path, MakeTestBitmap(layout, pixels));
    return path;
  }
  // True when the output is one error line: the message, blanks to two print zones, "Error".
  static bool IsErrorLine(const std::string& output, const std::string& message) {
    if (output.rfind(message, 0) != 0 || output.size() < message.size() + 7) return false;
    if (output.compare(output.size() - 6, 6, "Error\n") != 0) return false;
    std::string gap = output.substr(message.size(), output.size() - message.size() - 6);
    return gap.size() >= 2 && gap.find_first_not_of(' ') == std::string::npos;
  }
};

struct PlacementCase {
  const char* what;
  int imageWidth, imageHeight;
  int32_t column, row, width, height;
  int32_t currentY;
  int x, y, destWidth, destHeight;
};

TEST_F(BitmapOutputTest, PlacesAndScalesOnTheGrid) {
  // Grid of 80 x 60 on 4800 x 6600: columns 58 wide, rows 108 high; 600 pixels an inch.
  const PlacementCase cases[] = {
      {"width -3 is one inch, height 0 keeps 3:2", 30, 20, 0, 0, -3, 0, 0, 100, 0, 600, 400},
      {"width 0 is one inch", 30, 20, 0, 0, 0, 1, 0, 100, 0, 600, 600},
      {"column and row", 30, 20, 10, 5, 2, 1, 0, 580, 432, 1200, 600},
      {"column 1 stays at the left offset", 30, 20, 1, 1, 1, 1, 0, 100, 0, 600, 600},
      {"column 2 right of the offset", 30, 20, 2, 1, 1, 1, 0, 116, 0, 600, 600},
      {"column beyond the grid", 30, 20, 81, 2, 1, 1, 0, 100, 108, 600, 600},
      {"last column", 30, 20, 80, 1, 1, 1, 0, 4640, 0, 600, 600},
      {"row 0 takes the band of the current line", 30, 20, 0, 0, 1, 1, 250, 100, 216, 600, 600},
      {"row 0 on a band's baseline", 30, 20, 0, 0, 1, 1, 216, 100, 216, 600, 600},
      {"aspect rounded to nearest", 9, 5, 0, 0, 1, 0, 0, 100, 0, 600, 333},
      {"aspect half rounded to even", 16, 11, 0, 0, 1, 0, 0, 100, 0, 600, 412},
      {"past the page bottom", 30, 20, 0, 60, 1, 5, 0, 100, 6372, 600, 3000},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(c.what);
    OpenJob();
    PrintJob.CurrentY = c.currentY;
    FakeBitmapDraws().clear();
    std::string path = Picture24(c.imageWidth, c.imageHeight);
    const int pagesBefore = FakePrinter().pagesStarted;
    EXPECT_EQ(PrintBitmap(path, c.column, c.row, c.width, c.height, 0), 1);
    ASSERT_EQ(FakeBitmapDraws().size(), 1u);
    const FakeBitmapDraw& draw = FakeBitmapDraws()[0];
    EXPECT_EQ(draw.page, 1);
    EXPECT_EQ(draw.x, c.x);
    EXPECT_EQ(draw.y, c.y);
    EXPECT_EQ(draw.width, c.destWidth);
    EXPECT_EQ(draw.height, c.destHeight);
    EXPECT_EQ(draw.sourceWidth, c.imageWidth);
    EXPECT_EQ(draw.sourceHeight, c.imageHeight);
    // Nothing moves: the current line stays and no page is started.
    EXPECT_EQ(PrintJob.CurrentY, c.currentY);
    EXPECT_EQ(FakePrinter().pagesStarted, pagesBefore);
    EndPrintJob();
  }
}

TEST_F(BitmapOutputTest, PixelsArriveAsTheFileHoldsThem) {
  // Each depth, both row orders: the drawn pixels are the file's, top row first.
  struct DepthCase {
    const char* what;
    TestBitmapLayout layout;
    std::vector<uint32_t> raw;
    std::vector<uint32_t> expected;
  };
  std::vector<DepthCase> cases;
  {
    DepthCase c{"24 bits", {}, {}, {}};
    c.layout.width = 3, c.layout.height = 2;
    c.raw = c.expected = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    cases.push_back(c);
  }
  {
    DepthCase c{"8 bits top-down", {}, {}, {}};
    c.layout.width = 3, c.layout.height = 2, c.layout.bitsPerPixel = 8, c.layout.topDown = true;
    c.layout.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    c.layout.colorsUsed = 4;
    c.raw = {1, 2, 3, 3, 2, 0};
    c.expected = {0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0x00FF00, 0};
    cases.push_back(c);
  }
  {
    DepthCase c{"1 bit", {}, {}, {}};
    c.layout.width = 9, c.layout.height = 2, c.layout.bitsPerPixel = 1;
    c.layout.palette = {0x102030, 0xFFFFFF};
    for (int i = 0; i < 18; ++i) c.raw.push_back(i % 3 == 0);
    for (uint32_t v : c.raw) c.expected.push_back(v ? 0xFFFFFF : 0x102030);
    cases.push_back(c);
  }
  {
    DepthCase c{"4 bits", {}, {}, {}};
    c.layout.width = 3, c.layout.height = 1, c.layout.bitsPerPixel = 4;
    for (uint32_t i = 0; i < 16; ++i) c.layout.palette.push_back(i * 0x110000);
    c.raw = {15, 0, 8};
    c.expected = {0xFF0000, 0, 0x880000};
    cases.push_back(c);
  }
  {
    DepthCase c{"16 bits 5-6-5", {}, {}, {}};
    c.layout.width = 2, c.layout.height = 2, c.layout.bitsPerPixel = 16, c.layout.compression = 3;
    c.layout.masks[0] = 0xF800, c.layout.masks[1] = 0x07E0, c.layout.masks[2] = 0x001F;
    c.raw = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    c.expected = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    cases.push_back(c);
  }
  {
    DepthCase c{"32 bits", {}, {}, {}};
    c.layout.width = 1, c.layout.height = 2, c.layout.bitsPerPixel = 32;
    c.raw = {0xFF123456, 0x00654321};
    c.expected = {0x123456, 0x654321};
    cases.push_back(c);
  }
  OpenJob();
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeBitmapDraws().clear();
    std::string path = folder_ + "/depth.bmp";
    WriteTestFile(path, MakeTestBitmap(c.layout, c.raw));
    EXPECT_EQ(PrintBitmap(path, 0, 1, 1, 1, 0), 1);
    ASSERT_EQ(FakeBitmapDraws().size(), 1u);
    EXPECT_EQ(FakeBitmapDraws()[0].bitsPerPixel, c.layout.bitsPerPixel);
    EXPECT_EQ(FakeBitmapDraws()[0].pixels, c.expected);
  }
}

TEST_F(BitmapOutputTest, BuiltInPictureByName) {
  OpenJob();
  EXPECT_EQ(PrintBitmap("logo", 0, 1, 2, 0, 1), 1);
  ASSERT_EQ(FakeBitmapDraws().size(), 1u);
  EXPECT_EQ(FakeBitmapDraws()[0].sourceWidth, 96);
  EXPECT_EQ(FakeBitmapDraws()[0].sourceHeight, 48);
  EXPECT_EQ(FakeBitmapDraws()[0].width, 1200);
  EXPECT_EQ(FakeBitmapDraws()[0].height, 600);
  // A file of that name is not looked for with the source flag set, nor the other way round.
  std::string output = ConsoleOf([] { EXPECT_EQ(PrintBitmap("NOSUCH", 0, 1, 1, 1, 1), 0); });
  EXPECT_TRUE(IsErrorLine(output, "Error loading Bitmap NOSUCH")) << output;
  output = ConsoleOf([] { EXPECT_EQ(PrintBitmap("LOGO", 0, 1, 1, 1, 0), 0); });
  EXPECT_TRUE(IsErrorLine(output, "Error loading Bitmap LOGO")) << output;
  EXPECT_EQ(FakeBitmapDraws().size(), 1u);
}

TEST_F(BitmapOutputTest, NoJobOrNoStretchingPrinterOpensNothing) {
  std::string path = Picture24(4, 4);
  EXPECT_EQ(ConsoleOf([&] { EXPECT_EQ(PrintBitmap(path, 0, 0, 1, 1, 0), 0); }), "");

  FakePrinter().rasterCaps = 0x1000;  // other capabilities, not the stretching one
  OpenJob();
  std::string output = ConsoleOf([&] { EXPECT_EQ(PrintBitmap(path, 0, 0, 1, 1, 0), 0); });
  EXPECT_TRUE(
      IsErrorLine(output, "Error printer does not support RC_STRETCHDIB. Skipping bitmap print"))
      << output;
  EXPECT_EQ(BitmapDevice().loadCalls, 0);
  EXPECT_TRUE(FakeBitmapDraws().empty());
}

TEST_F(BitmapOutputTest, MissingOrDamagedFileIsReported) {
  OpenJob();
  std::string missing = folder_ + "/missing.bmp";
  std::string output = ConsoleOf([&] { EXPECT_EQ(PrintBitmap(missing, 0, 0, 1, 1, 0), 0); });
  EXPECT_TRUE(IsErrorLine(output, "Error loading Bitmap " + missing)) << output;

  TestBitmapLayout layout;
  layout.width = 4, layout.height = 4;
  std::vector<uint8_t> cut = MakeTestBitmap(layout, std::vector<uint32_t>(16, 0xFFFFFF));
  cut.resize(cut.size() - 3);
  WriteTestFile(folder_ + "/cut.bmp", cut);
  output = ConsoleOf([&] { EXPECT_EQ(PrintBitmap(folder_ + "/cut.bmp", 0, 0, 1, 1, 0), 0); });
  EXPECT_TRUE(IsErrorLine(output, "Error loading Bitmap " + folder_ + "/cut.bmp")) << output;
  EXPECT_TRUE(FakeBitmapDraws().empty());

  // The name is held in 255 bytes: a longer one is cut there, in the load and the message.
  std::string longName = folder_ + "/" + std::string(300, 'n');
  output = ConsoleOf([&] { EXPECT_EQ(PrintBitmap(longName, 0, 0, 1, 1, 0), 0); });
  EXPECT_EQ(output.rfind("Error loading Bitmap " + longName.substr(0, 255) + " ", 0), 0u) << output;
}

TEST_F(BitmapOutputTest, EachFailingStepIsReportedAndReleased) {
  OpenJob();
  std::string path = Picture24(2, 2);
  struct StepCase {
    const char* message;
    bool BitmapDeviceState::*fail;
    int32_t result;
  };
  const StepCase steps[] = {
      {"Error geting desktop DC to create bitmap", &BitmapDeviceState::failGetDC, 0},
      {"Error creating compatibleDC for bitmap", &BitmapDeviceState::failCreateCompatibleDC, 0},
      {"Error selecting bitmap into DC", &BitmapDeviceState::failGetObject, 0},
      {"Error creating DIBs", &BitmapDeviceState::failGetDIBits, 1},
  };
  for (const StepCase& step : steps) {
    SCOPED_TRACE(step.message);
    FakeBitmapDraws().clear();
    BitmapDevice().*step.fail = true;
    std::string output =
        ConsoleOf([&] { EXPECT_EQ(PrintBitmap(path, 0, 0, 1, 1, 0), step.result); });
    BitmapDevice().*step.fail = false;
    EXPECT_TRUE(IsErrorLine(output, step.message)) << output;
    EXPECT_EQ(BitmapDevice().bitmapsAlive, 0);
    EXPECT_EQ(BitmapDevice().screenContextsAlive, 0);
    EXPECT_EQ(BitmapDevice().memoryContextsAlive, 0);
    if (step.result == 1) {
      // Drawn all the same, from the zero-filled buffer.
      ASSERT_EQ(FakeBitmapDraws().size(), 1u);
      EXPECT_EQ(FakeBitmapDraws()[0].pixels, std::vector<uint32_t>(4, 0));
    } else {
      EXPECT_TRUE(FakeBitmapDraws().empty());
    }
  }
  // The short messages are exact: two zones of blanks (to columns 29 and 43), then "Error".
  BitmapDevice().failGetDIBits = true;
  EXPECT_EQ(ConsoleOf([&] { PrintBitmap(path, 0, 0, 1, 1, 0); }),
            "Error creating DIBs" + std::string(9 + 14, ' ') + "Error\n");
  BitmapDevice().failGetDIBits = false;
}

}  // namespace
