// Windows bitmap files (.bmp): checked reading into pixels that the printer layer can draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The largest image read: each side at most this many pixels (what a drawing surface takes).
constexpr int32_t BitmapMaxSide = 32767;
// At most this many pixels in all, so a header cannot ask for gigabytes.
constexpr uint64_t BitmapMaxPixels = uint64_t{1} << 26;

// A decoded bitmap. Rows run from the top of the picture down, whatever the file's order.
struct BitmapImage {
  int32_t width = 0;
  int32_t height = 0;
  int bitsPerPixel = 0;           // as stored: 1, 4, 8, 16, 24 or 32
  std::vector<uint32_t> palette;  // 0x00RRGGBB, only for 1, 4 and 8 bits per pixel
  std::vector<uint8_t> indices;   // one palette index a pixel, only for 1, 4 and 8 bits
  std::vector<uint32_t> pixels;   // 0x00RRGGBB a pixel, every image
};

// Decodes a whole bitmap file held in memory: the file header, then a core (12 bytes),
// information (40), version 2/3 (52/56), version 4 (108) or version 5 (124) header;
// uncompressed or bit-field pixels of 1, 4, 8, 16, 24 or 32 bits, rows bottom-up or top-down.
// Run-length compressed, truncated or inconsistent files give false and leave image empty.
bool DecodeBitmap(const uint8_t* data, size_t size, BitmapImage& image);

// Reads an ordinary file (no symbolic link, no device) and decodes it; false when the file
// cannot be read or is not a valid bitmap.
bool ReadBitmapFile(const std::string& path, BitmapImage& image);
