// Printer device, bitmaps: loading bitmap images, reading their pixels as device-independent
// bitmaps and drawing them scaled onto a printer's page.
#include "platform/printer/printer_bitmap.h"

#include <unistd.h>

#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/printer/bitmap_file.h"
#include "platform/printer/bitmap_resources.h"
#include "platform/printer/linux/printer_bitmap_objects.h"
#include "platform/printer/linux/printer_internal.h"

namespace {

// Loaded bitmaps by handle, and the contexts of this layer. A handle not in these tables is
// refused, never followed.
std::unordered_map<GdiObject*, BitmapImage> Bitmaps;
std::unordered_set<DeviceContext*> ScreenContexts;
std::unordered_set<DeviceContext*> MemoryContexts;

// The loaded bitmap behind a handle, or null.
const BitmapImage* LoadedBitmap(HGDIOBJ object) {
  auto found = Bitmaps.find(object);
  return found == Bitmaps.end() ? nullptr : &found->second;
}

// True for any context a pixel read-out may name: screen, memory or a printer's.
bool AnyContext(HDC dc) {
  return ScreenContexts.count(dc) || MemoryContexts.count(dc) || LivePrinterContext(dc);
}

// Bytes of one device-independent bitmap row: whole 32-bit words.
uint64_t DibRowSize(int64_t width, int bitsPerPixel) {
  return ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel) + 31) / 32) * 4;
}

// True for the depths a device-independent bitmap here may have.
bool SupportedDepth(int bitsPerPixel) {
  return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
         bitsPerPixel == 24 || bitsPerPixel == 32;
}

// Checks an information header (40 bytes, one plane, BI_RGB, a supported depth and a size
// within the limits of the bitmap reader); gives its width, row count and row order.
bool CheckHeader(const BITMAPINFOHEADER& header, int32_t& width, int32_t& height, bool& topDown) {
  if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 ||
      header.biCompression != BI_RGB || !SupportedDepth(header.biBitCount))
    return false;
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) return false;
  int64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
  if (header.biWidth > BitmapMaxSide || rows > BitmapMaxSide ||
      static_cast<uint64_t>(header.biWidth) * static_cast<uint64_t>(rows) > BitmapMaxPixels)
    return false;
  if (header.biBitCount <= 8 && header.biClrUsed > (1u << header.biBitCount)) return false;
  width = header.biWidth;
  height = static_cast<int32_t>(rows);
  topDown = header.biHeight < 0;
  return true;
}

// Writes one pixel of the bitmap into a row of the requested depth.
void PutPixel(uint8_t* row, int32_t x, int bitsPerPixel, uint32_t color, uint8_t index) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bitsPerPixel);
      int shift = 8 - bitsPerPixel - static_cast<int>(bit % 8);
      row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (index << shift));
      break;
    }
    case 16: {
      uint32_t word =
          (((color >> 19) & 0x1F) << 10) | (((color >> 11) & 0x1F) << 5) | ((color >> 3) & 0x1F);
      row[static_cast<size_t>(x) * 2] = static_cast<uint8_t>(word);
      row[static_cast<size_t>(x) * 2 + 1] = static_cast<uint8_t>(word >> 8);
      break;
    }
    case 24:
    case 32: {
      uint8_t* p = row + static_cast<size_t>(x) * static_cast<size_t>(bitsPerPixel / 8);
      p[0] = static_cast<uint8_t>(color);
      p[1] = static_cast<uint8_t>(color >> 8);
      p[2] = static_cast<uint8_t>(color >> 16);
      if (bitsPerPixel == 32) p[3] = 0;
      break;
    }
  }
}

// Reads one pixel of a device-independent bitmap row as 0x00RRGGBB.
uint32_t GetPixel(const uint8_t* row, int32_t x, int bitsPerPixel, const RGBQUAD* colors,
                  size_t colorCount) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bitsPerPixel);
      int shift = 8 - bitsPerPixel - static_cast<int>(bit % 8);
      const unsigned packed = row[bit / 8];
      size_t index = (packed >> shift) & ((1u << bitsPerPixel) - 1);
      if (index >= colorCount) return 0;
      const RGBQUAD& c = colors[index];
      return (static_cast<uint32_t>(c.rgbRed) << 16) | (static_cast<uint32_t>(c.rgbGreen) << 8) |
             c.rgbBlue;
    }
    case 16: {
      uint32_t word = static_cast<uint32_t>(row[static_cast<size_t>(x) * 2]) |
                      (static_cast<uint32_t>(row[static_cast<size_t>(x) * 2 + 1]) << 8);
      auto expand = [](uint32_t five) { return (five * 255 + 15) / 31; };
      return (expand((word >> 10) & 0x1F) << 16) | (expand((word >> 5) & 0x1F) << 8) |
             expand(word & 0x1F);
    }
    default: {
      const uint8_t* p = row + static_cast<size_t>(x) * static_cast<size_t>(bitsPerPixel / 8);
      return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    }
  }
}

// Loads a bitmap from a file or from the program's own resources.
HANDLE MemoryLoadImage(HINSTANCE instance, const char* name, UINT type, int cx, int cy,
                       UINT flags) {
  if (!name || type != IMAGE_BITMAP || cx != 0 || cy != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  BitmapImage image;
  if (flags & LR_LOADFROMFILE) {
    if (!ReadBitmapFile(name, image)) {
      SetLastError(access(name, F_OK) == 0 ? ERROR_INVALID_DATA : ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
  } else {
    if (instance != GetModuleHandleA(nullptr)) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    const BitmapResource* resource = FindBitmapResource(name);
    if (!resource) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    if (!DecodeBitmap(resource->data, resource->size, image)) {
      SetLastError(ERROR_INVALID_DATA);
      return nullptr;
    }
  }
  auto* handle = new GdiObject;
  Bitmaps.emplace(handle, std::move(image));
  return handle;
}

// Describes a loaded bitmap.
int MemoryGetObject(HGDIOBJ object, int size, void* out) {
  const BitmapImage* image = LoadedBitmap(object);
  if (!image) return 0;
  if (!out) return static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP description;
  description.bmType = 0;
  description.bmWidth = image->width;
  description.bmHeight = image->height;
  description.bmWidthBytes = static_cast<int32_t>(
      ((static_cast<uint64_t>(image->width) * static_cast<uint64_t>(image->bitsPerPixel) + 15) /
       16) *
      2);
  description.bmPlanes = 1;
  description.bmBitsPixel = static_cast<uint16_t>(image->bitsPerPixel);
  description.bmBits = 0;
  std::memcpy(out, &description, sizeof description);
  return static_cast<int>(sizeof(BITMAP));
}

// A context of the screen.
HDC MemoryGetDC(HWND window) {
  if (window != 0 && !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto* dc = new DeviceContext;
  ScreenContexts.insert(dc);
  return dc;
}

// Releases a context from GetDC.
int MemoryReleaseDC(HWND /*window*/, HDC dc) {
  if (!ScreenContexts.erase(dc)) return 0;
  delete dc;
  return 1;
}

// A memory context for pixel read-outs.
HDC MemoryCreateCompatibleDC(HDC dc) {
  if (dc != nullptr && !AnyContext(dc)) return nullptr;
  auto* memory = new DeviceContext;
  MemoryContexts.insert(memory);
  return memory;
}

// Frees a memory context (from DeleteDC).
bool MemoryDeleteContext(HDC dc) {
  if (!MemoryContexts.erase(dc)) return false;
  delete dc;
  return true;
}

// Frees a loaded bitmap (from DeleteObject).
bool MemoryDeleteBitmap(HGDIOBJ object) {
  auto found = Bitmaps.find(object);
  if (found == Bitmaps.end()) return false;
  Bitmaps.erase(found);
  delete object;
  return true;
}

// Copies a bitmap's rows into a device-independent bitmap of the header's format.
int MemoryGetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
                    UINT usage) {
  const BitmapImage* image = LoadedBitmap(bitmap);
  if (!image || !AnyContext(dc) || !info || !bits || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& header = info->bmiHeader;
  int32_t width = 0;
  int32_t height = 0;
  bool topDown = false;
  if (!CheckHeader(header, width, height, topDown)) return 0;
  if (width != image->width || height != image->height) return 0;
  const int depth = header.biBitCount;
  const bool indexed = depth <= 8;
  // Palette indices fit only into as many bits or more; true colour is never reduced.
  if (indexed && (image->bitsPerPixel > depth)) return 0;

  if (start >= static_cast<UINT>(height)) return 0;
  const UINT count =
      lines < static_cast<UINT>(height) - start ? lines : static_cast<UINT>(height) - start;
  const size_t rowSize = static_cast<size_t>(DibRowSize(width, depth));
  auto* out = static_cast<uint8_t*>(bits);
  for (UINT line = 0; line < count; ++line) {
    // Scan line 0 is the bottom row of a bottom-up bitmap, the top row of a top-down one.
    const UINT scan = start + line;
    const int32_t pictureRow =
        topDown ? static_cast<int32_t>(scan) : height - 1 - static_cast<int32_t>(scan);
    uint8_t* row = out + static_cast<size_t>(line) * rowSize;
    std::memset(row, 0, rowSize);
    const size_t first = static_cast<size_t>(pictureRow) * static_cast<size_t>(width);
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t index = indexed ? image->indices[first + static_cast<size_t>(x)] : 0;
      PutPixel(row, x, depth, image->pixels[first + static_cast<size_t>(x)], index);
    }
  }
  if (indexed) {
    // The full table of the requested depth, inside the record's 256 entries.
    const size_t entries = size_t{1} << depth;
    for (size_t i = 0; i < entries; ++i) {
      const uint32_t color = i < image->palette.size() ? image->palette[i] : 0;
      info->bmiColors[i] = RGBQUAD{static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                                   static_cast<uint8_t>(color >> 16), 0};
    }
  }
  header.biClrUsed = 0;
  header.biSizeImage = static_cast<uint32_t>(rowSize * static_cast<size_t>(height));
  return static_cast<int>(count);
}

}  // namespace

const BitmapObjects MemoryBitmapObjects = {
    MemoryLoadImage,          MemoryGetObject,     MemoryGetDC,        MemoryReleaseDC,
    MemoryCreateCompatibleDC, MemoryDeleteContext, MemoryDeleteBitmap, MemoryGetDIBits,
};

namespace {

// DeleteDC of a memory context, through the objects in use.
bool DeleteBitmapContext(HDC dc);
// DeleteObject of a bitmap, through the objects in use.
bool DeleteBitmapObject(HGDIOBJ object);

// The bitmap objects of the kind of printer in use. The first call tells DeleteDC and
// DeleteObject how to free them.
const BitmapObjects& Objects() {
  static bool registered = false;
  if (!registered) {
    RegisterBitmapRelease(DeleteBitmapContext, DeleteBitmapObject);
    registered = true;
  }
  const BitmapObjects* objects = ListingBackends().front()->bitmapObjects;
  return objects ? *objects : MemoryBitmapObjects;
}

bool DeleteBitmapContext(HDC dc) {
  return Objects().deleteContext(dc);
}
bool DeleteBitmapObject(HGDIOBJ object) {
  return Objects().deleteBitmap(object);
}

}  // namespace

// Loads a bitmap from a file or from the program's own resources.
HANDLE LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags) {
  return Objects().loadImage(instance, name, type, cx, cy, flags);
}

// Describes a loaded bitmap.
int GetObjectA(HGDIOBJ object, int size, void* out) {
  return Objects().getObject(object, size, out);
}

// A context of the screen.
HDC GetDC(HWND window) {
  return Objects().getDC(window);
}

// Releases a context from GetDC.
int ReleaseDC(HWND window, HDC dc) {
  return Objects().releaseDC(window, dc);
}

// A memory context for pixel read-outs.
HDC CreateCompatibleDC(HDC dc) {
  return Objects().createCompatibleDC(dc);
}

// Copies a bitmap's rows into a device-independent bitmap of the header's format.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage) {
  return Objects().getDIBits(dc, bitmap, start, lines, bits, info, usage);
}

// Draws a device-independent bitmap scaled onto the printer's page.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
  DeviceContext* printer = LivePrinterContext(dc);
  if (!printer || !printer->inDocument || !printer->inPage) return GDI_ERROR;
  if (!bits || !info || usage != DIB_RGB_COLORS || rop != SRCCOPY) return GDI_ERROR;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  int32_t width = 0;
  int32_t height = 0;
  bool topDown = false;
  if (!CheckHeader(header, width, height, topDown)) return GDI_ERROR;
  if (srcWidth <= 0 || srcHeight <= 0 || xSrc < 0 || ySrc < 0 ||
      static_cast<int64_t>(xSrc) + srcWidth > width ||
      static_cast<int64_t>(ySrc) + srcHeight > height)
    return GDI_ERROR;
  if (destWidth == 0 || destHeight == 0) return 0;  // nothing to cover

  const int depth = header.biBitCount;
  const size_t colorCount =
      depth <= 8 ? (header.biClrUsed ? header.biClrUsed : size_t{1} << depth) : 0;
  const size_t rowSize = static_cast<size_t>(DibRowSize(width, depth));
  // The source rectangle's rows are counted from the bottom of a bottom-up bitmap.
  const int32_t topRow = topDown ? ySrc : height - ySrc - srcHeight;
  std::vector<uint32_t> pixels(static_cast<size_t>(srcWidth) * static_cast<size_t>(srcHeight));
  const auto* in = static_cast<const uint8_t*>(bits);
  for (int32_t y = 0; y < srcHeight; ++y) {
    const int32_t pictureRow = topRow + y;
    const int32_t bufferRow = topDown ? pictureRow : height - 1 - pictureRow;
    const uint8_t* row = in + static_cast<size_t>(bufferRow) * rowSize;
    for (int32_t x = 0; x < srcWidth; ++x)
      pixels[static_cast<size_t>(y) * static_cast<size_t>(srcWidth) + static_cast<size_t>(x)] =
          GetPixel(row, xSrc + x, depth, info->bmiColors, colorCount);
  }

  const PageBitmap picture{xDest,    yDest,     destWidth, destHeight,
                           srcWidth, srcHeight, depth,     std::move(pixels)};
  if (!printer->backend->drawBitmap(*printer, picture)) return GDI_ERROR;
  return srcHeight;
}
