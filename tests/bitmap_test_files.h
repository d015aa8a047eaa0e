// Test helper: builds small Windows bitmap files byte by byte, for the bitmap reader's and the
// bitmap printing tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct TestBitmapLayout {
  int headerSize = 40;  // 12 core, 40, 52, 56, 108 or 124
  int32_t width = 1;
  int32_t height = 1;  // rows; the file holds -height when topDown
  int bitsPerPixel = 24;
  uint32_t compression = 0;  // 0 BI_RGB, 3 BI_BITFIELDS
  uint32_t masks[3] = {0, 0, 0};
  bool topDown = false;
  std::vector<uint32_t> palette;  // 0x00RRGGBB entries written as the colour table
  uint32_t colorsUsed = 0;
};

// Appends a little-endian value of the given byte count.
inline void PutLittle(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A bitmap file whose pixels (top row first) are raw stored values: palette indices, 16-bit
// words, 0xRRGGBB for 24 bits, or 32-bit words.
inline std::vector<uint8_t> MakeTestBitmap(const TestBitmapLayout& layout,
                                           const std::vector<uint32_t>& raw) {
  bool core = layout.headerSize == 12;
  bool masksAfter = layout.headerSize == 40 && layout.compression == 3;
  size_t entry = core ? 3 : 4;
  size_t tableStart = 14 + static_cast<size_t>(layout.headerSize) + (masksAfter ? 12 : 0);
  size_t pixelOffset = tableStart + layout.palette.size() * entry;
  size_t rowSize =
      ((static_cast<size_t>(layout.width) * static_cast<size_t>(layout.bitsPerPixel) + 31) / 32) *
      4;
  size_t fileSize = pixelOffset + rowSize * static_cast<size_t>(layout.height);

  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  PutLittle(out, fileSize, 4);
  PutLittle(out, 0, 4);
  PutLittle(out, pixelOffset, 4);
  PutLittle(out, static_cast<uint32_t>(layout.headerSize), 4);
  if (core) {
    PutLittle(out, static_cast<uint32_t>(layout.width), 2);
    PutLittle(out, static_cast<uint32_t>(layout.height), 2);
    PutLittle(out, 1, 2);
    PutLittle(out, static_cast<uint32_t>(layout.bitsPerPixel), 2);
  } else {
    PutLittle(out, static_cast<uint32_t>(layout.width), 4);
    PutLittle(out, static_cast<uint32_t>(layout.topDown ? -layout.height : layout.height), 4);
    PutLittle(out, 1, 2);
    PutLittle(out, static_cast<uint32_t>(layout.bitsPerPixel), 2);
    PutLittle(out, layout.compression, 4);
    PutLittle(out, rowSize * static_cast<size_t>(layout.height), 4);
    PutLittle(out, 2835, 4);
    PutLittle(out, 2835, 4);
    PutLittle(out, layout.colorsUsed, 4);
    PutLittle(out, 0, 4);
    size_t written = 40;
    if (layout.headerSize > 40) {
      for (uint32_t mask : layout.masks) PutLittle(out, mask, 4);
      written += 12;
    }
    while (written < static_cast<size_t>(layout.headerSize)) {
      out.push_back(0);
      ++written;
    }
    if (masksAfter)
      for (uint32_t mask : layout.masks) PutLittle(out, mask, 4);
  }
  for (uint32_t color : layout.palette) {
    PutLittle(out, color & 0xFFFFFF, 3);
    if (!core) out.push_back(0);
  }
  for (int32_t fileRow = 0; fileRow < layout.height; ++fileRow) {
    int32_t y = layout.topDown ? fileRow : layout.height - 1 - fileRow;
    std::vector<uint8_t> row(rowSize, 0);
    for (int32_t x = 0; x < layout.width; ++x) {
      uint32_t value =
          raw[static_cast<size_t>(y) * static_cast<size_t>(layout.width) + static_cast<size_t>(x)];
      int bpp = layout.bitsPerPixel;
      if (bpp < 8) {
        size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bpp);
        const int shift = 8 - bpp - static_cast<int>(bit % 8);
        row[bit / 8] |= static_cast<uint8_t>(value << shift);
      } else {
        for (int i = 0; i < bpp / 8; ++i)
          row[static_cast<size_t>(x) * static_cast<size_t>(bpp / 8) + static_cast<size_t>(i)] =
              static_cast<uint8_t>(value >> (8 * i));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// Writes bytes to a file, replacing it.
inline void WriteTestFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}
