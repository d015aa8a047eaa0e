// Bitmap output on Windows: the built-in picture from the program's resource section and the
// same picture from its file, read out and drawn through GDI onto a page in memory, pixel for
// pixel where they belong and nowhere else.
#include "print/bitmap_output.h"
#include "print/print_job.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int PageWidth = 300;
constexpr int PageHeight = 200;
constexpr uint32_t White = 0xFFFFFF;

// The picture's pixels as 0x00RRGGBB, top row first, read from its 24-bit file.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

int32_t Field32(const std::vector<unsigned char>& bytes, size_t at) {
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[at]) | bytes[at + 1] << 8 |
                              bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24);
}

Picture ReadPicture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
  Picture picture;
  if (bytes.size() < 54 || bytes[28] != 24) return picture;  // the logo is a 24-bit picture
  const size_t offset = static_cast<size_t>(Field32(bytes, 10));
  picture.width = Field32(bytes, 18);
  picture.height = Field32(bytes, 22);  // positive: rows bottom-up
  const size_t rowBytes = (static_cast<size_t>(picture.width) * 3 + 3) / 4 * 4;
  for (int y = 0; y < picture.height; ++y) {
    const size_t row = offset + static_cast<size_t>(picture.height - 1 - y) * rowBytes;
    for (int x = 0; x < picture.width; ++x) {
      const size_t at = row + static_cast<size_t>(x) * 3;
      picture.pixels.push_back(static_cast<uint32_t>(bytes[at + 2]) << 16 |
                               static_cast<uint32_t>(bytes[at + 1]) << 8 | bytes[at]);
    }
  }
  return picture;
}

// A white page in memory standing in for the printer's: a 32-bit top-down section selected
// into a memory context of 96 pixels an inch, made the print job's context.
class PageInMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    dc_ = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc_, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = PageWidth;
    info.bmiHeader.biHeight = -PageHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    page_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(page_, nullptr);
    pixels_ = static_cast<uint32_t*>(bits);
    for (int i = 0; i < PageWidth * PageHeight; ++i) pixels_[i] = White;
    previous_ = SelectObject(dc_, page_);
    ASSERT_EQ(GetDeviceCaps(dc_, LOGPIXELSX), 96);
    PrintJob = PrintJobRecord();
    PrintJob.PrinterDc = dc_;
    PrintJob.GridColumns = 80;
    PrintJob.GridRows = 6;
    PrintJob.GridRowHeight = 30;
    PrintJob.GridColumnWidth = 10;
  }
  void TearDown() override {
    PrintJob = PrintJobRecord();
    if (previous_) SelectObject(dc_, previous_);
    if (page_) DeleteObject(page_);
    if (dc_) DeleteDC(dc_);
  }
  uint32_t At(int x, int y) const { return pixels_[y * PageWidth + x] & 0xFFFFFFu; }

  // Every page pixel: the picture's inside the rectangle at (left, top), white elsewhere.
  void ExpectPictureAt(const Picture& picture, int left, int top) const {
    int wrong = 0;
    for (int y = 0; y < PageHeight; ++y)
      for (int x = 0; x < PageWidth; ++x) {
        const bool inside =
            x >= left && x < left + picture.width && y >= top && y < top + picture.height;
        const uint32_t expected =
            inside ? picture.pixels[static_cast<size_t>((y - top) * picture.width + x - left)]
                   : White;
        if (At(x, y) != expected && ++wrong <= 5)
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << At(x, y)
                        << " instead of " << expected;
      }
    EXPECT_EQ(wrong, 0);
  }

  HDC dc_ = nullptr;
  HBITMAP page_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint32_t* pixels_ = nullptr;
};

// The logo file of the sources, as Windows names it (Wine's drive Z: is the root).
const std::string LogoFile = TAVREL_LOGO_FILE;

// At the picture's own size (one inch at 96 pixels an inch, its proportions kept) the drawing
// is the picture itself, from the resource under any letter case and from the file alike.
TEST_F(PageInMemory, BuiltInPictureAndItsFileDrawnPixelForPixel) {
  const Picture logo = ReadPicture(LogoFile);
  ASSERT_EQ(logo.width, 96);
  ASSERT_EQ(logo.height, 48);
  const struct {
    std::string name;
    int32_t source;
  } cases[] = {{"LOGO", 1}, {"logo", 1}, {LogoFile, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < PageWidth * PageHeight; ++i) pixels_[i] = White;
    // Column 2 of 10 pixels, the band of row 2 of 30 pixels.
    EXPECT_EQ(PrintBitmap(c.name, 2, 2, 1, 0, c.source), 1);
    ExpectPictureAt(logo, 20, 30);
  }
}

// A picture that is neither a resource nor a file draws nothing.
TEST_F(PageInMemory, MissingPictureDrawsNothing) {
  const struct {
    std::string name;
    int32_t source;
  } cases[] = {{"NOLOGO", 1}, {LogoFile + ".missing", 0}, {"LOGO", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PrintBitmap(c.name, 2, 2, 1, 0, c.source), 0);
    ExpectPictureAt(Picture(), 0, 0);
  }
}

}  // namespace
