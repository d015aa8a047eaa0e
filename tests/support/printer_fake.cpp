// Recording printer for unit tests: fixed geometry and metrics, every call and drawing kept.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/printer/linux/printer_bitmap_objects.h"
#include "platform/printer/linux/printer_internal.h"
#include "printer_fake.h"

namespace {

FakePrinterState State;
BitmapDeviceState Bitmaps;
std::vector<FakeBitmapDraw> BitmapDraws;

// True when the printer is one of the fake's printers.
bool FakeFindPrinter(const std::string& name, DEVMODEA& defaults) {
  for (const std::string& printer : State.printers) {
    if (printer == name) {
      defaults = DEVMODEA();
      defaults.dmFields = DM_ORIENTATION;
      return true;
    }
  }
  return false;
}

// Lists the fake's printers, or fails with error 5 when the test asks for it.
bool FakeListPrinters(std::vector<std::string>& names, uint32_t& error) {
  if (State.failEnumPrinters) {
    error = 5;
    return false;
  }
  names.insert(names.end(), State.printers.begin(), State.printers.end());
  return true;
}

// Geometry from the test's settings; landscape swaps width and height.
bool FakeOpenContext(DeviceContext& dc) {
  DEVMODEA defaults;
  if (!FakeFindPrinter(dc.printer, defaults)) return false;
  const bool landscape = dc.settings.dmOrientation == DMORIENT_LANDSCAPE;
  dc.width = landscape ? State.height : State.width;
  dc.height = landscape ? State.width : State.height;
  dc.offsetX = State.offsetX;
  dc.offsetY = State.offsetX;
  dc.physicalWidth = dc.width + 2 * State.offsetX;
  dc.physicalHeight = dc.height + 2 * State.offsetX;
  dc.dpiX = State.dpi;
  dc.dpiY = State.dpi;
  dc.rasterCaps = State.rasterCaps;
  if (!State.faces.empty()) {
    const std::string& face = State.faces.front();
    face.copy(dc.stockFont.font.lfFaceName, sizeof dc.stockFont.font.lfFaceName - 1);
  }
  State.contextsAlive++;
  return true;
}

// Forgets the context.
void FakeCloseContext(DeviceContext&) {
  State.calls.push_back("DeleteDC");
  State.contextsAlive--;
}

// Starts a document unless the test makes it fail.
int FakeStartDoc(DeviceContext& dc) {
  State.calls.push_back("StartDoc " + dc.documentName);
  return State.failStartDoc ? 0 : 1;
}

// Starts a page unless it is the page the test makes fail.
int FakeStartPage(DeviceContext& dc) {
  State.calls.push_back("StartPage");
  if (State.failStartPageAt > 0 && dc.pageNumber + 1 == State.failStartPageAt) return 0;
  State.pagesStarted++;
  return 1;
}

// Ends a page.
int FakeEndPage(DeviceContext&) {
  State.calls.push_back("EndPage");
  return 1;
}

// Ends a document.
int FakeEndDoc(DeviceContext&) {
  State.calls.push_back("EndDoc");
  return 1;
}

// The fake's faces in the test's order.
bool FakeListFaces(DeviceContext&, std::vector<std::string>& faces) {
  faces.insert(faces.end(), State.faces.begin(), State.faces.end());
  return true;
}

// The fixed advance of a byte in a face of em size h.
int FakeAdvance(bool proportional, unsigned char byte, int h) {
  if (!proportional) return h / 2;
  if (byte == 'i' || byte == 'l' || byte == '.') return h / 4;
  if (byte == 'W' || byte == 'w' || byte == 'M' || byte == 'm') return h;
  return h / 2;
}

// Matches a face by name (else the first face) and gives it the fake metrics; the face the
// test refuses is not matched. A font object's selection is recorded, the context's own
// font's is not.
bool FakeRealizeFont(DeviceContext& dc, const LOGFONTA& font, RealizedFont& out) {
  const std::string wanted(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName));
  if (&font != &dc.stockFont.font)
    State.calls.push_back("SelectObject " + wanted + " " + std::to_string(font.lfHeight));
  if (State.faces.empty()) return false;
  if (!State.failSelectFace.empty() &&
      strcasecmp(wanted.c_str(), State.failSelectFace.c_str()) == 0)
    return false;
  std::string face = State.faces.front();
  for (const std::string& candidate : State.faces) {
    if (strcasecmp(candidate.c_str(), wanted.c_str()) == 0) {
      face = candidate;
      break;
    }
  }
  int h = 100;
  if (font.lfHeight < 0) h = -font.lfHeight;
  if (font.lfHeight > 0) h = (font.lfHeight * 4 + 2) / 5;
  out = RealizedFont();
  out.face = face;
  out.emHeight = h;
  out.metrics.tmAscent = h;
  out.metrics.tmDescent = h / 4;
  out.metrics.tmHeight = h + h / 4;
  out.metrics.tmInternalLeading = h / 4;
  out.metrics.tmExternalLeading = h / 10;
  const bool proportional = face.find("Sans") != std::string::npos;
  int widest = 0;
  for (int byte = 0; byte < 256; byte++) {
    out.advances[byte] = FakeAdvance(proportional, static_cast<unsigned char>(byte), h);
    widest = std::max(widest, out.advances[byte]);
  }
  out.metrics.tmAveCharWidth = h / 2;
  out.metrics.tmMaxCharWidth = widest;
  return true;
}

// Nothing to free: the fake keeps no font data.
void FakeReleaseFont(RealizedFont&) {}

// Records a drawing with the caller's position and the context's alignment and font.
int FakeDrawText(DeviceContext& dc, int x, int y, const std::string& text) {
  State.draws.push_back(
      FakeTextDraw{dc.pageNumber, x, y, dc.align, text, dc.realized.face, dc.realized.emHeight});
  return 1;
}

// Counts a measuring call and answers with the fake's advances.
void FakeQueryAdvances(DeviceContext& dc, unsigned first, unsigned last, int* widths) {
  State.charWidthCalls++;
  RealizedAdvances(dc, first, last, widths);
}

// The fake's advance of a character: as the byte for Latin-1, as 'x' beyond it.
void FakeCharacterAdvances(DeviceContext& dc, const char32_t* characters, size_t count,
                           int* widths) {
  State.charWidthCalls++;
  const bool proportional = dc.realized.face.find("Sans") != std::string::npos;
  for (size_t index = 0; index < count; index++) {
    const char32_t character = characters[index];
    widths[index] =
        FakeAdvance(proportional, static_cast<unsigned char>(character < 0x100 ? character : 'x'),
                    dc.realized.emHeight);
  }
}

// Records a wide drawing: its characters as UTF-8, and its font's weight and underline.
int FakeDrawCharacters(DeviceContext& dc, int x, int y, const std::u32string& text) {
  std::string utf8;
  for (const char32_t c : text) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  FakeTextDraw draw{dc.pageNumber, x, y, dc.align, utf8, dc.realized.face, dc.realized.emHeight};
  draw.wide = true;
  draw.weight = dc.font ? dc.font->font.lfWeight : 0;
  draw.underline = dc.font && dc.font->font.lfUnderline;
  draw.widthOfFont = dc.font ? dc.font->font.lfWidth : 0;
  State.draws.push_back(draw);
  return 1;
}

// Records a bitmap drawing with the page it is on.
bool FakeDrawBitmap(DeviceContext& dc, const PageBitmap& bitmap) {
  BitmapDraws.push_back(FakeBitmapDraw{dc.pageNumber, bitmap.x, bitmap.y, bitmap.width,
                                       bitmap.height, bitmap.sourceWidth, bitmap.sourceHeight,
                                       bitmap.bitsPerPixel, bitmap.pixels});
  return true;
}

// The test's default printer.
std::string FakeDefaultPrinter() {
  return State.defaultPrinter;
}

// The next key the test's operator types, one byte a key; "" when they have run out.
std::string NextFakeKey() {
  std::string& keys = State.promptKeys;
  if (keys.empty()) return "";
  std::string key = keys.substr(0, 1);
  keys.erase(0, 1);
  return key;
}

// The orientation question answered with the test's keys, cancelled when they run out.
long FakeAskOrientation(const std::string& printer, int16_t& orientation) {
  return AskOrientation(printer, orientation, NextFakeKey, 0);
}

// The bitmap calls' objects: the program's own, counted, each step failing when the test asks.
HANDLE FakeLoadImage(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags) {
  Bitmaps.loadCalls++;
  HANDLE bitmap = MemoryBitmapObjects.loadImage(instance, name, type, cx, cy, flags);
  if (bitmap) Bitmaps.bitmapsAlive++;
  return bitmap;
}

int FakeGetObject(HGDIOBJ object, int size, void* out) {
  return Bitmaps.failGetObject ? 0 : MemoryBitmapObjects.getObject(object, size, out);
}

HDC FakeGetDC(HWND window) {
  if (Bitmaps.failGetDC) return nullptr;
  HDC dc = MemoryBitmapObjects.getDC(window);
  if (dc) Bitmaps.screenContextsAlive++;
  return dc;
}

int FakeReleaseDC(HWND window, HDC dc) {
  const int released = MemoryBitmapObjects.releaseDC(window, dc);
  if (released) Bitmaps.screenContextsAlive--;
  return released;
}

HDC FakeCreateCompatibleDC(HDC dc) {
  if (Bitmaps.failCreateCompatibleDC) return nullptr;
  HDC memory = MemoryBitmapObjects.createCompatibleDC(dc);
  if (memory) Bitmaps.memoryContextsAlive++;
  return memory;
}

bool FakeDeleteContext(HDC dc) {
  if (!MemoryBitmapObjects.deleteContext(dc)) return false;
  Bitmaps.memoryContextsAlive--;
  return true;
}

bool FakeDeleteBitmap(HGDIOBJ object) {
  if (!MemoryBitmapObjects.deleteBitmap(object)) return false;
  Bitmaps.bitmapsAlive--;
  return true;
}

int FakeGetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
                  UINT usage) {
  if (Bitmaps.failGetDIBits) return 0;
  return MemoryBitmapObjects.getDIBits(dc, bitmap, start, lines, bits, info, usage);
}

const BitmapObjects FakeBitmapObjects = {
    FakeLoadImage,          FakeGetObject,     FakeGetDC,        FakeReleaseDC,
    FakeCreateCompatibleDC, FakeDeleteContext, FakeDeleteBitmap, FakeGetDIBits,
};

const PrinterBackend FakePrinterBackend = {
    FakeListPrinters,
    FakeFindPrinter,
    FakeOpenContext,
    FakeCloseContext,
    FakeStartDoc,
    FakeStartPage,
    FakeEndPage,
    FakeEndDoc,
    FakeListFaces,
    FakeRealizeFont,
    FakeReleaseFont,
    FakeQueryAdvances,
    FakeDrawText,
    FakeDrawBitmap,
    nullptr,
    nullptr,
    FakeDefaultPrinter,
    FakeAskOrientation,
    &FakeBitmapObjects,
    FakeCharacterAdvances,
    FakeDrawCharacters,
};

}  // namespace

// Turns the fake on or off; turning it on resets its state to the defaults.
void UseFakePrinterDevice(bool on) {
  UseTestPrinterBackend(on ? &FakePrinterBackend : nullptr);
  if (!on) return;
  State = FakePrinterState();
  State.fontsAtStart = FontObjectsAlive();
}

FakePrinterState& FakePrinter() {
  return State;
}

std::vector<FakeBitmapDraw>& FakeBitmapDraws() {
  return BitmapDraws;
}

BitmapDeviceState& BitmapDevice() {
  return Bitmaps;
}

int FakeFontsAlive() {
  return FontObjectsAlive() - State.fontsAtStart;
}
