// Windows bitmap files (.bmp): checked reading into pixels that the printer layer can draw.
//
// A bitmap comes from outside the program (a file the shop puts beside it), so every size,
// offset and count in its headers is checked against the bytes actually there before any
// byte is read; nothing is read past the file's end and the decoded image is sized from
// checked numbers only.
#include "platform/printer/bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr size_t FileHeaderSize = 14;
// A bitmap file larger than this is not read (no printed logo comes near it).
constexpr off_t MaxBitmapFileSize = off_t{512} << 20;

// Little-endian reads from a range already checked to hold them.
uint16_t Read16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// A 32-bit little-endian value from a range already checked to hold it.
uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One colour channel described by a bit mask: where it lies and how wide it is.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

// Checks that a mask is one run of set bits and describes it; false for an empty or broken mask.
bool MakeChannel(uint32_t mask, Channel& channel) {
  if (mask == 0) return false;
  int shift = std::countr_zero(mask);
  uint64_t run = static_cast<uint64_t>(mask) >> shift;
  if ((run & (run + 1)) != 0) return false;  // holes in the mask
  channel.mask = mask;
  channel.shift = shift;
  channel.bits = std::popcount(mask);
  return true;
}

// The channel's value in a pixel, scaled to 0..255.
uint32_t ChannelValue(const Channel& channel, uint32_t pixel) {
  uint32_t value = (pixel & channel.mask) >> channel.shift;
  if (channel.bits >= 8) return value >> (channel.bits - 8);
  uint32_t top = (uint32_t{1} << channel.bits) - 1;
  return (value * 255 + top / 2) / top;
}

// What the headers say, once checked.
struct Layout {
  int32_t width = 0;
  int32_t height = 0;  // rows, positive
  bool topDown = false;
  int bitsPerPixel = 0;
  Channel red, green, blue;  // for 16 and 32 bits per pixel
  size_t paletteOffset = 0;
  size_t paletteEntrySize = 4;
  size_t paletteCount = 0;
  size_t pixelOffset = 0;
  size_t rowSize = 0;
};

// Reads and checks the headers and the colour table's place; false for anything unsupported
// or inconsistent with the file's size.
bool ReadLayout(const uint8_t* data, size_t size, Layout& layout) {
  if (size < FileHeaderSize + 4) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  uint32_t pixelOffset = Read32(data + 10);
  uint32_t headerSize = Read32(data + FileHeaderSize);
  if (headerSize > size - FileHeaderSize) return false;
  const uint8_t* header = data + FileHeaderSize;

  uint64_t width = 0;
  uint64_t height = 0;
  uint32_t planes = 0;
  uint32_t compression = BI_RGB;
  uint32_t colorsUsed = 0;
  size_t headersEnd = FileHeaderSize + headerSize;
  uint32_t masks[3] = {0, 0, 0};

  if (headerSize == 12) {
    // Core header: unsigned 16-bit sides, always bottom-up, three-byte colour entries.
    width = Read16(header + 4);
    height = Read16(header + 6);
    planes = Read16(header + 8);
    layout.bitsPerPixel = Read16(header + 10);
    layout.paletteEntrySize = 3;
    if (layout.bitsPerPixel != 1 && layout.bitsPerPixel != 4 && layout.bitsPerPixel != 8 &&
        layout.bitsPerPixel != 24)
      return false;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124) {
    int32_t signedWidth = static_cast<int32_t>(Read32(header + 4));
    int32_t signedHeight = static_cast<int32_t>(Read32(header + 8));
    if (signedWidth <= 0 || signedHeight == 0 || signedHeight == INT32_MIN) return false;
    width = static_cast<uint64_t>(signedWidth);
    layout.topDown = signedHeight < 0;
    height = static_cast<uint64_t>(signedHeight < 0 ? -static_cast<int64_t>(signedHeight)
                                                    : static_cast<int64_t>(signedHeight));
    planes = Read16(header + 12);
    layout.bitsPerPixel = Read16(header + 14);
    compression = Read32(header + 16);
    colorsUsed = Read32(header + 32);
    if (compression == BI_BITFIELDS) {
      if (headerSize == 40) {
        // The three masks follow a plain information header.
        if (size - headersEnd < 12) return false;
        for (size_t i = 0; i < 3; ++i) masks[i] = Read32(data + headersEnd + 4 * i);
        headersEnd += 12;
      } else {
        for (size_t i = 0; i < 3; ++i) masks[i] = Read32(header + 40 + 4 * i);
      }
    }
  } else {
    return false;
  }

  if (planes != 1) return false;
  if (width == 0 || height == 0 || width > static_cast<uint64_t>(BitmapMaxSide) ||
      height > static_cast<uint64_t>(BitmapMaxSide) || width * height > BitmapMaxPixels)
    return false;
  layout.width = static_cast<int32_t>(width);
  layout.height = static_cast<int32_t>(height);

  int bpp = layout.bitsPerPixel;
  if (compression == BI_RGB) {
    if (bpp == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
      masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF;
    } else if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
      return false;
    }
  } else if (compression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return false;
    uint32_t limit = bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (uint32_t mask : masks)
      if ((mask & ~limit) != 0) return false;
    if ((masks[0] & masks[1]) || (masks[0] & masks[2]) || (masks[1] & masks[2])) return false;
  } else {
    return false;  // run-length and embedded JPEG/PNG pictures are not read
  }
  if (bpp == 16 || bpp == 32) {
    if (!MakeChannel(masks[0], layout.red) || !MakeChannel(masks[1], layout.green) ||
        !MakeChannel(masks[2], layout.blue))
      return false;
  }

  // The colour table lies between the headers and the pixels.
  if (pixelOffset < headersEnd || pixelOffset > size) return false;
  layout.paletteOffset = headersEnd;
  if (bpp <= 8) {
    size_t full = size_t{1} << bpp;
    if (colorsUsed > full) return false;
    size_t wanted = colorsUsed != 0 ? colorsUsed : full;
    // A table cut short by the pixel offset keeps the entries that are there; pixels naming a
    // missing entry come out black.
    size_t room = (pixelOffset - headersEnd) / layout.paletteEntrySize;
    layout.paletteCount = wanted < room ? wanted : room;
  }
  layout.pixelOffset = pixelOffset;

  // Each row is padded to whole 32-bit words; every row must be in the file.
  uint64_t rowSize = ((width * static_cast<uint64_t>(bpp) + 31) / 32) * 4;
  if (rowSize * height > static_cast<uint64_t>(size - pixelOffset)) return false;
  layout.rowSize = static_cast<size_t>(rowSize);
  return true;
}

}  // namespace

// Decodes a whole bitmap file held in memory into top-down pixels.
bool DecodeBitmap(const uint8_t* data, size_t size, BitmapImage& image) {
  image = BitmapImage();
  Layout layout;
  if (data == nullptr || !ReadLayout(data, size, layout)) return false;

  BitmapImage result;
  result.width = layout.width;
  result.height = layout.height;
  result.bitsPerPixel = layout.bitsPerPixel;
  for (size_t i = 0; i < layout.paletteCount; ++i) {
    const uint8_t* entry = data + layout.paletteOffset + i * layout.paletteEntrySize;
    result.palette.push_back((static_cast<uint32_t>(entry[2]) << 16) |
                             (static_cast<uint32_t>(entry[1]) << 8) | entry[0]);
  }
  size_t count = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height);
  result.pixels.resize(count);
  bool indexed = layout.bitsPerPixel <= 8;
  if (indexed) result.indices.resize(count);

  for (int32_t y = 0; y < layout.height; ++y) {
    int32_t fileRow = layout.topDown ? y : layout.height - 1 - y;
    const uint8_t* row = data + layout.pixelOffset + static_cast<size_t>(fileRow) * layout.rowSize;
    uint32_t* out =
        result.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(layout.width);
    for (int32_t x = 0; x < layout.width; ++x) {
      switch (layout.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
          int bpp = layout.bitsPerPixel;
          size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bpp);
          int perByte = 8 / bpp;
          int shift = 8 - bpp - static_cast<int>(x % perByte) * bpp;
          uint8_t index = static_cast<uint8_t>((row[bit / 8] >> shift) & ((1 << bpp) - 1));
          result.indices[static_cast<size_t>(y) * static_cast<size_t>(layout.width) +
                         static_cast<size_t>(x)] = index;
          out[x] = index < result.palette.size() ? result.palette[index] : 0;
          break;
        }
        case 16:
        case 32: {
          uint32_t pixel = layout.bitsPerPixel == 16 ? Read16(row + static_cast<size_t>(x) * 2)
                                                     : Read32(row + static_cast<size_t>(x) * 4);
          out[x] = (ChannelValue(layout.red, pixel) << 16) |
                   (ChannelValue(layout.green, pixel) << 8) | ChannelValue(layout.blue, pixel);
          break;
        }
        case 24: {
          const uint8_t* p = row + static_cast<size_t>(x) * 3;
          out[x] = (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
          break;
        }
      }
    }
  }
  image = std::move(result);
  return true;
}

// Reads an ordinary bitmap file whole and decodes it.
bool ReadBitmapFile(const std::string& path, BitmapImage& image) {
  image = BitmapImage();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MaxBitmapFileSize) {
    close(fd);
    return false;
  }
  std::vector<uint8_t> data(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t got = read(fd, data.data() + done, data.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the file shrank under us: decode what is there, checked as ever
    done += static_cast<size_t>(got);
  }
  close(fd);
  data.resize(done);
  return DecodeBitmap(data.data(), data.size(), image);
}
