// Bitmap output: a bitmap file or built-in picture drawn on the open print job at a grid cell,
// scaled to whole inches.
#include "print/bitmap_output.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/console/console.h"
#include "platform/printer/printer_bitmap.h"
#include "print/print_job.h"

namespace {

// The name's buffer: 256 bytes, so at most 255 of them and the terminating NUL.
constexpr size_t NameBufferSize = 256;

// One console line: the message, two print zones and "Error".
void BitmapError(const std::string& message) {
  ConsolePrint(message);
  ConsolePrintZone();
  ConsolePrintZone();
  ConsolePrint("Error");
  ConsoleNewLine();
}

// The information header with room for the largest colour table (256 entries, for 8 bits per
// pixel), so a pixel read-out of any depth writes its table inside the record. Windows's own
// BITMAPINFO declares a table of one entry.
struct BitmapInfoWithColours {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

// A device-pixel value brought into the 32-bit range the drawing calls take.
int ClampPixels(double value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int>(value);
}

// Largest multiple of step not above value (step > 0), for the band of a baseline.
int64_t FloorToMultiple(int64_t value, int64_t step) {
  int64_t quotient = value / step;
  if (value % step != 0 && value < 0) --quotient;
  return quotient * step;
}

}  // namespace

// Loads the picture, reads its pixels out and draws them scaled at the grid cell.
int32_t PrintBitmap(const std::string& name, int32_t column, int32_t row, int32_t width,
                    int32_t height, int32_t source) {
  if (width <= 0) width = 1;
  HDC printer = PrintJob.PrinterDc;
  if (!printer) return 0;
  if (!(GetDeviceCaps(printer, RASTERCAPS) & RC_STRETCHDIB)) {
    BitmapError("Error printer does not support RC_STRETCHDIB. Skipping bitmap print");
    return 0;
  }
  // The name as its buffer holds it: up to the first NUL, at most 255 bytes.
  const std::string heldName = name.substr(0, std::min(name.find('\0'), NameBufferSize - 1));

  // Left edge: column 0, or a column beyond the grid, at the printer's left offset.
  const int offsetX = GetDeviceCaps(printer, PHYSICALOFFSETX);
  if (column > PrintJob.GridColumns) column = 0;
  int x = offsetX;
  if (column != 0)
    x = ClampPixels(
        std::max<double>(static_cast<double>(column) * PrintJob.GridColumnWidth, offsetX));

  // Top edge: the top of the row's band (row 0: the band holding the current line). A grid
  // whose rows have no height has only the band at the top of the page.
  const int64_t rowHeight = PrintJob.GridRowHeight;
  int y = 0;
  if (rowHeight > 0) {
    y = row != 0 ? ClampPixels(static_cast<double>(static_cast<int64_t>(row) - 1) *
                               static_cast<double>(rowHeight))
                 : ClampPixels(static_cast<double>(FloorToMultiple(PrintJob.CurrentY, rowHeight)));
  }

  int destWidth = ClampPixels(static_cast<double>(width) * GetDeviceCaps(printer, LOGPIXELSX));
  int destHeight = ClampPixels(static_cast<double>(height) * GetDeviceCaps(printer, LOGPIXELSY));

  HANDLE loaded = source == 0 ? LoadImageA(0, heldName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)
                              : LoadImageA(GetModuleHandleA(nullptr), heldName.c_str(),
                                           IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
  if (!loaded) {
    BitmapError("Error loading Bitmap " + heldName);
    return 0;
  }
  HBITMAP bitmap = static_cast<HBITMAP>(loaded);

  const HWND desktop = GetDesktopWindow();
  HDC screen = GetDC(desktop);
  if (!screen) {
    BitmapError("Error geting desktop DC to create bitmap");
    DeleteObject(bitmap);
    return 0;
  }
  // The memory context only serves the pixel read-out; the bitmap is never selected into it.
  HDC memory = CreateCompatibleDC(screen);
  ReleaseDC(desktop, screen);
  if (!memory) {
    BitmapError("Error creating compatibleDC for bitmap");
    DeleteObject(bitmap);
    return 0;
  }

  BITMAP description{};
  if (GetObjectA(bitmap, sizeof description, &description) == 0 || description.bmWidth <= 0 ||
      description.bmHeight <= 0) {
    BitmapError("Error selecting bitmap into DC");
    DeleteDC(memory);
    DeleteObject(bitmap);
    return 0;
  }

  // The read-out format: the picture's own size and depth, uncompressed, rows bottom-up; the
  // record has room for a colour table of up to 256 entries after the header.
  BitmapInfoWithColours record{};
  record.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  record.bmiHeader.biWidth = description.bmWidth;
  record.bmiHeader.biHeight = description.bmHeight;
  record.bmiHeader.biPlanes = 1;
  record.bmiHeader.biBitCount = description.bmBitsPixel;
  record.bmiHeader.biCompression = BI_RGB;
  const size_t rowSize = static_cast<size_t>(
      ((static_cast<uint64_t>(description.bmWidth) * description.bmBitsPixel + 31) / 32) * 4);
  std::vector<uint8_t> pixels(rowSize * static_cast<size_t>(description.bmHeight), 0);

  BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(&record);

  if (destHeight == 0)
    destHeight = ClampPixels(std::nearbyint(static_cast<double>(description.bmHeight) * destWidth /
                                            description.bmWidth));

  if (GetDIBits(memory, bitmap, 0, static_cast<UINT>(description.bmHeight), pixels.data(), info,
                DIB_RGB_COLORS) == 0)
    BitmapError("Error creating DIBs");  // drawn all the same, from the zero-filled buffer

  const int drawn =
      StretchDIBits(printer, x, y, destWidth, destHeight, 0, 0, description.bmWidth,
                    description.bmHeight, pixels.data(), info, DIB_RGB_COLORS, SRCCOPY);

  DeleteDC(memory);
  DeleteObject(bitmap);
  return drawn == static_cast<int>(GDI_ERROR) ? 0 : 1;
}
