// Tests of the printer device's bitmap calls: loading, descriptions, pixel read-out and the
// scaled drawing, on the recording printer.
#include "platform/printer/printer_bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "bitmap_test_files.h"
#include "fake_printer_fixture.h"

namespace {

class BitmapDeviceCalls : public OnFakePrinterInTempFolder {
 protected:
  void SetUp() override {
    OnFakePrinterInTempFolder::SetUp();
    FakeBitmapDraws().clear();
    // An 8-bit picture, 3 x 2, four colours; a 24-bit one, 5 x 3.
    TestBitmapLayout indexed;
    indexed.width = 3, indexed.height = 2, indexed.bitsPerPixel = 8, indexed.colorsUsed = 4;
    indexed.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    WriteTestFile(folder_ + "/indexed.bmp", MakeTestBitmap(indexed, {1, 2, 3, 0, 1, 2}));
    TestBitmapLayout color;
    color.width = 5, color.height = 3;
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 15; ++i) pixels.push_back(i + 1);
    WriteTestFile(folder_ + "/color.bmp", MakeTestBitmap(color, pixels));
  }
  HBITMAP Load(const std::string& file) {
    return static_cast<HBITMAP>(
        LoadImageA(0, (folder_ + "/" + file).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  }
  static BITMAPINFO Header(int width, int height, int bits) {
    BITMAPINFO info;
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<uint16_t>(bits);
    return info;
  }
};

TEST_F(BitmapDeviceCalls, LoadingFailsWithItsReason) {
  std::string good = folder_ + "/color.bmp";
  WriteTestFile(folder_ + "/text.bmp", {'h', 'e', 'l', 'l', 'o'});
  HINSTANCE program = GetModuleHandleA(nullptr);
  struct Case {
    const char* what;
    HINSTANCE instance;
    std::string name;
    UINT type;
    int cx;
    UINT flags;
    uint32_t error;
  };
  const Case cases[] = {
      {"an icon", 0, good, 1, 0, LR_LOADFROMFILE, ERROR_INVALID_PARAMETER},
      {"another size", 0, good, IMAGE_BITMAP, 10, LR_LOADFROMFILE, ERROR_INVALID_PARAMETER},
      {"no file", 0, folder_ + "/none.bmp", IMAGE_BITMAP, 0, LR_LOADFROMFILE, ERROR_FILE_NOT_FOUND},
      {"not a bitmap", 0, folder_ + "/text.bmp", IMAGE_BITMAP, 0, LR_LOADFROMFILE,
       ERROR_INVALID_DATA},
      {"no such resource", program, "NONE", IMAGE_BITMAP, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"another module", 0, "LOGO", IMAGE_BITMAP, 0, 0, ERROR_MOD_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    EXPECT_EQ(LoadImageA(c.instance, c.name.c_str(), c.type, c.cx, c.cx, c.flags), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(LoadImageA(0, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  HANDLE logo = LoadImageA(program, "logo", IMAGE_BITMAP, 0, 0, 0);
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(DeleteObject(static_cast<HBITMAP>(logo)), 1);
  EXPECT_EQ(DeleteObject(static_cast<HBITMAP>(logo)), 0);  // gone: refused, not followed
}

TEST_F(BitmapDeviceCalls, DescriptionIsTheOriginalRecord) {
  HBITMAP bitmap = Load("color.bmp");
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), 24);
  unsigned char small[23];
  EXPECT_EQ(GetObjectA(bitmap, sizeof small, small), 0);
  BITMAP description;
  ASSERT_EQ(GetObjectA(bitmap, sizeof description, &description), 24);
  EXPECT_EQ(description.bmType, 0);
  EXPECT_EQ(description.bmWidth, 5);
  EXPECT_EQ(description.bmHeight, 3);
  EXPECT_EQ(description.bmWidthBytes, 16);  // 15 bytes rounded up to a 16-bit word
  EXPECT_EQ(description.bmPlanes, 1);
  EXPECT_EQ(description.bmBitsPixel, 24);
  EXPECT_EQ(description.bmBits, 0u);
  HBITMAP indexed = Load("indexed.bmp");
  ASSERT_EQ(GetObjectA(indexed, sizeof description, &description), 24);
  EXPECT_EQ(description.bmBitsPixel, 8);
  EXPECT_EQ(description.bmWidthBytes, 4);
  DeleteObject(indexed);
  DeleteObject(bitmap);
  EXPECT_EQ(GetObjectA(bitmap, sizeof description, &description), 0);
}

TEST_F(BitmapDeviceCalls, ReadOutGivesRowsAndTableOfTheAskedFormat) {
  HBITMAP indexed = Load("indexed.bmp");
  HDC memory = CreateCompatibleDC(nullptr);
  ASSERT_NE(memory, nullptr);

  // 8 bits, bottom-up: the bottom row first, each padded to 4 bytes; the table in the record.
  BITMAPINFO info = Header(3, 2, 8);
  uint8_t rows[8];
  std::memset(rows, 0xEE, sizeof rows);
  ASSERT_EQ(GetDIBits(memory, indexed, 0, 2, rows, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(std::vector<uint8_t>(rows, rows + 8), (std::vector<uint8_t>{0, 1, 2, 0, 1, 2, 3, 0}));
  EXPECT_EQ(info.bmiColors[1].rgbRed, 0xFF);
  EXPECT_EQ(info.bmiColors[3].rgbBlue, 0xFF);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 8u);

  // 1 bit holds fewer indices than the picture: refused. Into 24 bits: the colours.
  info = Header(3, 2, 1);
  EXPECT_EQ(GetDIBits(memory, indexed, 0, 2, rows, &info, DIB_RGB_COLORS), 0);
  info = Header(3, -2, 24);  // top-down
  uint8_t wide[24] = {};
  ASSERT_EQ(GetDIBits(memory, indexed, 0, 2, wide, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(wide[2], 0xFF);   // top-left red (B, G, R)
  EXPECT_EQ(wide[4], 0xFF);   // then green
  EXPECT_EQ(wide[12], 0x00);  // second row starts black
  EXPECT_EQ(wide[17], 0xFF);  // then red
  DeleteObject(indexed);

  // Only the rows asked for, from the scan line asked for.
  HBITMAP color = Load("color.bmp");
  info = Header(5, 3, 24);
  uint8_t band[16 * 3];
  std::memset(band, 0xEE, sizeof band);
  ASSERT_EQ(GetDIBits(memory, color, 1, 9, band, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(band[0], 6);   // scan line 1 of a bottom-up picture is the middle row: 6..10
  EXPECT_EQ(band[16], 1);  // scan line 2 is the top row: 1..5
  EXPECT_EQ(band[32], 0xEE);
  // A true-colour picture is never reduced to a table; the size must be the picture's.
  info = Header(5, 3, 8);
  EXPECT_EQ(GetDIBits(memory, color, 0, 3, band, &info, DIB_RGB_COLORS), 0);
  info = Header(4, 3, 24);
  EXPECT_EQ(GetDIBits(memory, color, 0, 3, band, &info, DIB_RGB_COLORS), 0);
  info = Header(5, 3, 24);
  EXPECT_EQ(GetDIBits(memory, color, 3, 1, band, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(memory, color, 0, 3, band, &info, 1), 0);
  DeleteObject(color);

  EXPECT_EQ(ReleaseDC(0, memory), 0);  // a memory context is deleted, not released
  EXPECT_EQ(DeleteDC(memory), 1);
  EXPECT_EQ(DeleteDC(memory), 0);
}

TEST_F(BitmapDeviceCalls, StretchingChecksEverythingAndTakesTheSourceRectangle) {
  HDC printer = CreateDCA(nullptr, "Fake Printer", nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  // 4 x 3 pixels, 24 bits bottom-up: value 0x0000RC for row R (from the top) and column C.
  BITMAPINFO info = Header(4, 3, 24);
  std::vector<uint8_t> bits(12 * 3, 0);
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 4; ++x)
      bits[static_cast<size_t>((2 - row) * 12 + x * 3)] = static_cast<uint8_t>(row * 16 + x);

  // No page open yet.
  EXPECT_EQ(
      StretchDIBits(printer, 0, 0, 40, 30, 0, 0, 4, 3, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY),
      GDI_ERROR);
  DOCINFOA doc;
  doc.lpszDocName = "pictures";
  ASSERT_GT(StartDocA(printer, &doc), 0);
  ASSERT_GT(StartPage(printer), 0);

  struct Bad {
    const char* what;
    BITMAPINFO info;
    int xSrc, ySrc, width, height;
    UINT usage;
    DWORD rop;
  };
  BITMAPINFO wrongSize = info, twoPlanes = info, compressed = info, twoBits = info,
             bigTable = Header(4, 3, 8);
  wrongSize.bmiHeader.biSize = 0;
  twoPlanes.bmiHeader.biPlanes = 2;
  compressed.bmiHeader.biCompression = 1;
  twoBits.bmiHeader.biBitCount = 2;
  bigTable.bmiHeader.biClrUsed = 257;
  const Bad bad[] = {
      {"header size", wrongSize, 0, 0, 4, 3, DIB_RGB_COLORS, SRCCOPY},
      {"two planes", twoPlanes, 0, 0, 4, 3, DIB_RGB_COLORS, SRCCOPY},
      {"run-length", compressed, 0, 0, 4, 3, DIB_RGB_COLORS, SRCCOPY},
      {"2 bits", twoBits, 0, 0, 4, 3, DIB_RGB_COLORS, SRCCOPY},
      {"table past 256", bigTable, 0, 0, 4, 3, DIB_RGB_COLORS, SRCCOPY},
      {"source past the right", info, 1, 0, 4, 3, DIB_RGB_COLORS, SRCCOPY},
      {"source past the top", info, 0, 1, 4, 3, DIB_RGB_COLORS, SRCCOPY},
      {"negative source", info, -1, 0, 2, 2, DIB_RGB_COLORS, SRCCOPY},
      {"empty source", info, 0, 0, 0, 3, DIB_RGB_COLORS, SRCCOPY},
      {"palette colours", info, 0, 0, 4, 3, 1, SRCCOPY},
      {"another operation", info, 0, 0, 4, 3, DIB_RGB_COLORS, 0x00EE0086},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.what);
    EXPECT_EQ(StretchDIBits(printer, 0, 0, 40, 30, b.xSrc, b.ySrc, b.width, b.height, bits.data(),
                            &b.info, b.usage, b.rop),
              GDI_ERROR);
  }
  HDC memory = CreateCompatibleDC(printer);
  EXPECT_EQ(
      StretchDIBits(memory, 0, 0, 40, 30, 0, 0, 4, 3, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY),
      GDI_ERROR);
  DeleteDC(memory);
  EXPECT_TRUE(FakeBitmapDraws().empty());

  // The bottom-left 2 x 2 of a bottom-up picture: rows 1 and 2 from the top, columns 1, 2.
  EXPECT_EQ(StretchDIBits(printer, 7, 9, -20, 20, 1, 0, 2, 2, bits.data(), &info, DIB_RGB_COLORS,
                          SRCCOPY),
            2);
  EXPECT_EQ(
      StretchDIBits(printer, 7, 9, 0, 20, 0, 0, 4, 3, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY),
      0);  // an empty destination covers nothing
  ASSERT_EQ(FakeBitmapDraws().size(), 1u);
  const FakeBitmapDraw& draw = FakeBitmapDraws()[0];
  EXPECT_EQ(draw.page, 1);
  EXPECT_EQ(draw.x, 7);
  EXPECT_EQ(draw.y, 9);
  EXPECT_EQ(draw.width, -20);
  EXPECT_EQ(draw.height, 20);
  EXPECT_EQ(draw.pixels, (std::vector<uint32_t>{0x11, 0x12, 0x21, 0x22}));
  EndDoc(printer);
  DeleteDC(printer);
}

}  // namespace
