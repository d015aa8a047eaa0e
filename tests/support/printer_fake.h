// Recording printer for unit tests: fixed geometry and metrics, every call and drawing kept.
//
// While the fake is on it stands in for the real printers: EnumPrintersA lists its printers,
// CreateDCA makes fake contexts, and the bitmap calls keep their objects through it.
// Metrics of a font of em size h (h = -lfHeight; 100 when lfHeight is 0):
//   tmAscent h, tmDescent h / 4, tmHeight h + h / 4, tmExternalLeading h / 10;
//   advance of every byte h / 2 in "Fake Mono"; in "Fake Sans" 'i', 'l' and '.' h / 4,
//   'W', 'w', 'M' and 'm' h, every other byte h / 2.
// A face that is not one of the fake's faces is matched to the first face. A positive
// lfHeight is the cell height: h = lfHeight * 4 / 5, rounded. A face set up by a test other
// than these two measures like "Fake Sans" when its name holds "Sans", else like "Fake Mono".
// Geometry: PHYSICALOFFSETY is offsetX too, the sheet (PHYSICALWIDTH/HEIGHT) is the printable
// area plus that offset on each side, and landscape swaps width and height. A context's own
// font is the first face with lfHeight 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/printer/printer_bitmap.h"
#include "platform/printer/printer_device.h"

struct FakeTextDraw {
  int page;  // counted from 1 within the document
  int x;
  int y;
  unsigned align;
  std::string text;
  std::string face;
  int emHeight;
  bool wide = false;  // drawn with TextOutW: text holds its characters as UTF-8
  int weight = 0;     // lfWeight, lfUnderline and lfWidth of the font it was drawn in
  bool underline = false;
  int widthOfFont = 0;
};

// A bitmap drawing on the fake.
struct FakeBitmapDraw {
  int page;  // counted from 1 within the document
  int x;
  int y;
  int width;  // destination size in device pixels
  int height;
  int sourceWidth;
  int sourceHeight;
  int bitsPerPixel;
  std::vector<uint32_t> pixels;  // the source rectangle, 0x00RRGGBB, top row first
};

struct FakePrinterState {
  // Set up by the test.
  std::vector<std::string> printers = {"Fake Printer"};
  std::vector<std::string> faces = {"Fake Mono", "Fake Sans"};
  int width = 4800;   // HORZRES
  int height = 6600;  // VERTRES
  int offsetX = 100;  // PHYSICALOFFSETX
  int dpi = 600;      // LOGPIXELSX and LOGPIXELSY
  int rasterCaps = RC_STRETCHDIB;
  int failStartPageAt = 0;  // the nth StartPage of a document fails (0: never)
  bool failStartDoc = false;
  bool failEnumPrinters = false;  // EnumPrintersA returns false with error 5
  std::string failSelectFace;     // a font of this face cannot be selected (SelectObject 0)
  std::string defaultPrinter;     // DefaultPrinterDevice ("" none)
  std::string promptKeys;         // keys the operator types at the settings question, one byte a
                                  // key; when they run out the question is cancelled

  // Recorded.
  std::vector<std::string> calls;  // "StartDoc <name>", "StartPage", "EndPage", "EndDoc",
                                   // "DeleteDC", "SelectObject <face> <lfHeight>" (a font
                                   // object selected on a context, not its own font)
  std::vector<FakeTextDraw> draws;
  int pagesStarted = 0;
  int contextsAlive = 0;
  int charWidthCalls = 0;  // GetCharWidth32A and GetTextExtentPoint32A calls
  int fontsAtStart = 0;    // font objects alive when the fake was turned on
};

// The bitmap calls' objects on the fake: counts of the live ones and failures to provoke.
struct BitmapDeviceState {
  int loadCalls = 0;  // LoadImageA calls
  int bitmapsAlive = 0;
  int screenContextsAlive = 0;
  int memoryContextsAlive = 0;
  bool failGetDC = false;
  bool failCreateCompatibleDC = false;
  bool failGetObject = false;
  bool failGetDIBits = false;
};

// Turns the fake on or off; turning it on resets its state to the defaults.
void UseFakePrinterDevice(bool on);
FakePrinterState& FakePrinter();
// The fake's bitmap drawings so far; tests clear it.
std::vector<FakeBitmapDraw>& FakeBitmapDraws();
BitmapDeviceState& BitmapDevice();
// Font objects made since the fake was turned on and not yet deleted.
int FakeFontsAlive();
