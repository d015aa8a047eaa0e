// Printer device on Linux, bitmaps: loading bitmap images, reading their pixels as
// device-independent bitmaps and drawing them scaled onto a printer's page, with the Windows
// names and records.
//
// A loaded bitmap keeps the pixels of its file (bits per pixel and colour table included).
// The screen and memory contexts exist only to read pixels out; nothing is drawn on them.
// On a real printer the pixels are drawn into the page's PDF as an image.
#pragma once

#include <cstdint>
#include <string>

#include "platform/printer/linux/printer_device.h"
#include "platform/windowing/linux/windowing.h"

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr uint32_t BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr int GDI_ERROR = -1;

// System error codes of the loading calls.
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_INVALID_DATA = 13;
constexpr uint32_t ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// A bitmap's description, 24 bytes as on the original platform. bmBits is always 0: a loaded
// bitmap's pixels are reached only through GetDIBits.
struct BITMAP {
  int32_t bmType = 0;
  int32_t bmWidth = 0;
  int32_t bmHeight = 0;
  int32_t bmWidthBytes = 0;  // bytes of one row, rounded up to a 16-bit word
  uint16_t bmPlanes = 0;
  uint16_t bmBitsPixel = 0;
  uint32_t bmBits = 0;
};
static_assert(sizeof(BITMAP) == 24, "the bitmap description keeps its original size");

struct BITMAPINFOHEADER {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: rows bottom-up; negative: top-down
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the information header is 40 bytes");

struct RGBQUAD {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
};

// The information header with room for the largest colour table (256 entries, for 8 bits per
// pixel), so a pixel read-out of any depth writes its table inside the record.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

// Loads a bitmap at its own size (cx and cy 0): with LR_LOADFROMFILE from the file name,
// otherwise the resource of that name of the program's module (GetModuleHandleA(nullptr)).
// Null on failure with the last error set: no file or resource (2, 1814), not a valid bitmap
// (13), another image type, size or module (87, 126).
HANDLE LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags);
// Fills a BITMAP for a loaded bitmap; the bytes written (24), or 0.
int GetObjectA(HGDIOBJ object, int size, void* out);

// A context of the screen (window 0 or the desktop), to be released with ReleaseDC.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A memory context compatible with a screen or printer context (or none), to be deleted with
// DeleteDC.
HDC CreateCompatibleDC(HDC dc);

// Copies rows start .. start + lines - 1 (counted from the bottom for a bottom-up header) of
// the bitmap into bits in the format the header asks: its width and height must be the
// bitmap's, 1, 4, 8, 16 (5-5-5), 24 or 32 bits, BI_RGB. For 8 bits or fewer the colour table
// follows in info->bmiColors (an indexed bitmap into as many or more bits). The rows copied,
// 0 on failure. bits must hold the rows asked for.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);

// Draws the source rectangle of a device-independent bitmap scaled into the destination
// rectangle of the printer's page (a negative destination size mirrors). The source's rows
// are counted from the bottom for a bottom-up header. The rows drawn (0 only for an empty
// destination); GDI_ERROR on every failure (no page open, a bad header or rectangle, the
// drawing failed), so a failed drawing never passes for a drawn one.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop);
