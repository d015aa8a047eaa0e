// Tests of the bitmap file reader: every depth, header and row order, and damaged files.
#include "platform/printer/bitmap_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "bitmap_test_files.h"

namespace {

struct DecodeCase {
  const char* what;
  TestBitmapLayout layout;
  std::vector<uint32_t> raw;       // stored values, top row first
  std::vector<uint32_t> expected;  // 0x00RRGGBB, top row first
};

// The cases: each depth and header kind, with widths that need row padding.
std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> cases;
  {
    DecodeCase c{"1 bit, bottom-up, padded rows", {}, {}, {}};
    c.layout.width = 10, c.layout.height = 3, c.layout.bitsPerPixel = 1;
    c.layout.palette = {0x000000, 0xFFFFFF};
    for (uint32_t i = 0; i < 30; ++i) c.raw.push_back((i * 7 / 3) % 2);
    for (uint32_t v : c.raw) c.expected.push_back(v ? 0xFFFFFF : 0);
    cases.push_back(c);
  }
  {
    DecodeCase c{"4 bits, top-down, odd width", {}, {}, {}};
    c.layout.width = 5, c.layout.height = 2, c.layout.bitsPerPixel = 4, c.layout.topDown = true;
    for (uint32_t i = 0; i < 16; ++i) c.layout.palette.push_back(i * 0x111111);
    c.raw = {0, 1, 2, 15, 14, 7, 8, 9, 10, 3};
    for (uint32_t v : c.raw) c.expected.push_back(v * 0x111111);
    cases.push_back(c);
  }
  {
    DecodeCase c{"8 bits, three colours used", {}, {}, {}};
    c.layout.width = 3, c.layout.height = 2, c.layout.bitsPerPixel = 8, c.layout.colorsUsed = 3;
    c.layout.palette = {0x102030, 0xA0B0C0, 0xFF0000};
    c.raw = {0, 1, 2, 2, 1, 0};
    c.expected = {0x102030, 0xA0B0C0, 0xFF0000, 0xFF0000, 0xA0B0C0, 0x102030};
    cases.push_back(c);
  }
  {
    DecodeCase c{"8 bits, top-down, full table", {}, {}, {}};
    c.layout.width = 2, c.layout.height = 2, c.layout.bitsPerPixel = 8, c.layout.topDown = true;
    for (uint32_t i = 0; i < 256; ++i) c.layout.palette.push_back(i << 8);
    c.raw = {255, 0, 128, 7};
    c.expected = {0x00FF00, 0, 0x008000, 0x000700};
    cases.push_back(c);
  }
  {
    DecodeCase c{"16 bits 5-5-5", {}, {}, {}};
    c.layout.width = 3, c.layout.height = 2, c.layout.bitsPerPixel = 16;
    c.raw = {0x7C00, 0x03E0, 0x001F, 0x4210, 0x7FFF, 0x0000};
    c.expected = {0xFF0000, 0x00FF00, 0x0000FF, 0x848484, 0xFFFFFF, 0};
    cases.push_back(c);
  }
  {
    DecodeCase c{"16 bits 5-6-5 bit fields", {}, {}, {}};
    c.layout.width = 2, c.layout.height = 2, c.layout.bitsPerPixel = 16, c.layout.compression = 3;
    c.layout.masks[0] = 0xF800, c.layout.masks[1] = 0x07E0, c.layout.masks[2] = 0x001F;
    c.raw = {0xF800, 0x07E0, 0x001F, 0x0400};
    c.expected = {0xFF0000, 0x00FF00, 0x0000FF, 0x008200};
    cases.push_back(c);
  }
  {
    DecodeCase c{"24 bits, bottom-up, padded rows", {}, {}, {}};
    c.layout.width = 3, c.layout.height = 2;
    c.raw = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    c.expected = c.raw;
    cases.push_back(c);
  }
  {
    DecodeCase c{"24 bits, top-down", {}, {}, {}};
    c.layout.width = 1, c.layout.height = 3, c.layout.topDown = true;
    c.raw = {0x0000FF, 0x00FF00, 0xFF0000};
    c.expected = c.raw;
    cases.push_back(c);
  }
  {
    DecodeCase c{"32 bits plain", {}, {}, {}};
    c.layout.width = 2, c.layout.height = 1, c.layout.bitsPerPixel = 32;
    c.raw = {0xFF123456, 0x00ABCDEF};
    c.expected = {0x123456, 0xABCDEF};
    cases.push_back(c);
  }
  {
    DecodeCase c{"32 bits fields in a version 5 header", {}, {}, {}};
    c.layout.headerSize = 124, c.layout.width = 2, c.layout.height = 1, c.layout.bitsPerPixel = 32;
    c.layout.compression = 3;
    c.layout.masks[0] = 0x000000FF, c.layout.masks[1] = 0x0000FF00, c.layout.masks[2] = 0x00FF0000;
    c.raw = {0x00332211, 0xFF000080};
    c.expected = {0x112233, 0x800000};
    cases.push_back(c);
  }
  {
    DecodeCase c{"24 bits in a version 4 header", {}, {}, {}};
    c.layout.headerSize = 108, c.layout.width = 2, c.layout.height = 2;
    c.raw = {1, 2, 3, 4};
    c.expected = c.raw;
    cases.push_back(c);
  }
  {
    DecodeCase c{"8 bits, core header", {}, {}, {}};
    c.layout.headerSize = 12, c.layout.width = 3, c.layout.height = 2, c.layout.bitsPerPixel = 8;
    for (uint32_t i = 0; i < 256; ++i) c.layout.palette.push_back(i * 0x010101);
    c.raw = {1, 2, 3, 250, 251, 252};
    for (uint32_t v : c.raw) c.expected.push_back(v * 0x010101);
    cases.push_back(c);
  }
  {
    DecodeCase c{"24 bits, core header", {}, {}, {}};
    c.layout.headerSize = 12, c.layout.width = 2, c.layout.height = 1;
    c.raw = {0xFEDCBA, 0x000001};
    c.expected = c.raw;
    cases.push_back(c);
  }
  return cases;
}

TEST(BitmapFile, DecodesEveryDepthHeaderAndRowOrder) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> file = MakeTestBitmap(c.layout, c.raw);
    BitmapImage image;
    ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), image));
    EXPECT_EQ(image.width, c.layout.width);
    EXPECT_EQ(image.height, c.layout.height);
    EXPECT_EQ(image.bitsPerPixel, c.layout.bitsPerPixel);
    EXPECT_EQ(image.pixels, c.expected);
    if (c.layout.bitsPerPixel <= 8) {
      std::vector<uint8_t> indices(c.raw.begin(), c.raw.end());
      EXPECT_EQ(image.indices, indices);
      EXPECT_EQ(image.palette.size(),
                c.layout.colorsUsed ? c.layout.colorsUsed : size_t{1} << c.layout.bitsPerPixel);
    } else {
      EXPECT_TRUE(image.indices.empty());
      EXPECT_TRUE(image.palette.empty());
    }
  }
}

TEST(BitmapFile, EveryTruncationFails) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> file = MakeTestBitmap(c.layout, c.raw);
    for (size_t length = 0; length < file.size(); ++length) {
      // A copy of exactly that length, so the sanitizer sees any read past it.
      std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
      BitmapImage image;
      EXPECT_FALSE(DecodeBitmap(cut.data(), cut.size(), image)) << "length " << length;
      EXPECT_TRUE(image.pixels.empty());
    }
  }
}

// Overwrites a 16-bit or 32-bit little-endian field of a file.
void Poke(std::vector<uint8_t>& file, size_t offset, uint32_t value, int bytes = 4) {
  for (int i = 0; i < bytes; ++i)
    file[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(BitmapFile, DamagedHeadersFail) {
  TestBitmapLayout indexed;
  indexed.width = 4, indexed.height = 3, indexed.bitsPerPixel = 8;
  indexed.palette = {0, 0xFFFFFF};
  indexed.colorsUsed = 2;
  std::vector<uint8_t> base8 = MakeTestBitmap(indexed, std::vector<uint32_t>(12, 1));
  TestBitmapLayout fields;
  fields.width = 2, fields.height = 2, fields.bitsPerPixel = 16, fields.compression = 3;
  fields.masks[0] = 0xF800, fields.masks[1] = 0x07E0, fields.masks[2] = 0x001F;
  std::vector<uint8_t> base16 = MakeTestBitmap(fields, std::vector<uint32_t>(4, 0));

  struct Damage {
    const char* what;
    bool fields;  // applies to the 16-bit bit-field file, else to the 8-bit file
    size_t offset;
    uint32_t value;
    int bytes;
  };
  const Damage damages[] = {
      {"not BM", false, 0, 'B' | ('A' << 8), 2},
      {"unknown header size 64", false, 14, 64, 4},
      {"header size 0", false, 14, 0, 4},
      {"header larger than the file", false, 14, 0x7FFFFFFF, 4},
      {"width 0", false, 18, 0, 4},
      {"negative width", false, 18, static_cast<uint32_t>(-4), 4},
      {"width beyond the largest side", false, 18, 40000, 4},
      {"height 0", false, 22, 0, 4},
      {"most negative height", false, 22, 0x80000000u, 4},
      {"width past any sensible size", false, 18, 0x7FFFFFFF, 4},
      {"two planes", false, 26, 2, 2},
      {"2 bits per pixel", false, 28, 2, 2},
      {"0 bits per pixel", false, 28, 0, 2},
      {"48 bits per pixel", false, 28, 48, 2},
      {"run-length 8", false, 30, 1, 4},
      {"run-length 4", false, 30, 2, 4},
      {"embedded JPEG", false, 30, 4, 4},
      {"bit fields on 8 bits", false, 30, 3, 4},
      {"more colours than 8 bits hold", false, 46, 300, 4},
      {"pixels before the headers end", false, 10, 20, 4},
      {"pixels past the end of the file", false, 10, 0x7FFFFFF0, 4},
      {"pixel offset leaves too few rows", false, 10, static_cast<uint32_t>(base8.size() - 8), 4},
      {"red mask empty", true, 54, 0, 4},
      {"green mask with a hole", true, 58, 0x05E0, 4},
      {"masks overlap", true, 62, 0x00FF, 4},
      {"mask wider than 16 bits", true, 54, 0x1F800, 4},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    std::vector<uint8_t> file = d.fields ? base16 : base8;
    Poke(file, d.offset, d.value, d.bytes);
    BitmapImage image;
    EXPECT_FALSE(DecodeBitmap(file.data(), file.size(), image));
    EXPECT_TRUE(image.pixels.empty());
  }
  // Sides that each pass but whose product is too many pixels.
  std::vector<uint8_t> huge = base8;
  Poke(huge, 18, 32767);
  Poke(huge, 22, 32767);
  BitmapImage image;
  EXPECT_FALSE(DecodeBitmap(huge.data(), huge.size(), image));
  EXPECT_TRUE(DecodeBitmap(base8.data(), base8.size(), image));
  EXPECT_TRUE(DecodeBitmap(base16.data(), base16.size(), image));
  EXPECT_FALSE(DecodeBitmap(nullptr, 0, image));
}

TEST(BitmapFile, AnyByteChangedIsReadSafely) {
  // Each byte of each sample file set to a few telling values: whatever the reader decides,
  // it reads nothing outside the file (the sanitizer build checks) and a success is whole.
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> file = MakeTestBitmap(c.layout, c.raw);
    for (size_t i = 0; i < file.size(); ++i) {
      for (uint8_t value :
           {uint8_t{0x00}, uint8_t{0x01}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
        std::vector<uint8_t> damaged = file;
        damaged[i] = value;
        BitmapImage image;
        if (DecodeBitmap(damaged.data(), damaged.size(), image)) {
          size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
          ASSERT_EQ(image.pixels.size(), count);
          if (image.bitsPerPixel <= 8) {
            ASSERT_EQ(image.indices.size(), count);
            ASSERT_LE(image.palette.size(), size_t{256});
          }
        } else {
          ASSERT_TRUE(image.pixels.empty());
        }
      }
    }
  }
}

TEST(BitmapFile, ShortColourTableKeepsTheEntriesThere) {
  // A table that the pixel offset cuts short keeps its entries; a missing one is black.
  TestBitmapLayout layout;
  layout.width = 3, layout.height = 1, layout.bitsPerPixel = 8;
  layout.palette = {0x0000FF, 0x00FF00};
  std::vector<uint8_t> file = MakeTestBitmap(layout, {0, 1, 200});
  BitmapImage image;
  ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), image));
  EXPECT_EQ(image.palette.size(), 2u);
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x0000FF, 0x00FF00, 0}));
}

TEST(BitmapFile, ReadsOnlyOrdinaryFiles) {
  std::string dir =
      std::filesystem::temp_directory_path() / ("tavrel_bitmap_file_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  TestBitmapLayout layout;
  layout.width = 2, layout.height = 1;
  WriteTestFile(dir + "/good.bmp", MakeTestBitmap(layout, {0xFF0000, 0x0000FF}));
  std::vector<uint8_t> cut = MakeTestBitmap(layout, {0xFF0000, 0x0000FF});
  cut.resize(cut.size() - 1);
  WriteTestFile(dir + "/cut.bmp", cut);
  std::filesystem::create_symlink(dir + "/good.bmp", dir + "/link.bmp");
  std::filesystem::create_directory(dir + "/folder.bmp");

  BitmapImage image;
  EXPECT_TRUE(ReadBitmapFile(dir + "/good.bmp", image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
  EXPECT_FALSE(ReadBitmapFile(dir + "/cut.bmp", image));
  EXPECT_FALSE(ReadBitmapFile(dir + "/missing.bmp", image));
  EXPECT_FALSE(ReadBitmapFile(dir + "/link.bmp", image));
  EXPECT_FALSE(ReadBitmapFile(dir + "/folder.bmp", image));
  EXPECT_FALSE(ReadBitmapFile("/dev/null", image));
  EXPECT_TRUE(image.pixels.empty());
  std::filesystem::remove_all(dir);
}

}  // namespace
