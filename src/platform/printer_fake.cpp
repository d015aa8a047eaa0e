// Recording printer for unit tests: fixed geometry and metrics, every call and drawing kept.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include <string>
#include <vector>

#include "platform/printer_fake.h"
#include "platform/printer_internal.h"

namespace {

bool FakeOn = false;
FakePrinterState State;

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
void FakeCloseContext(DeviceContext&) { State.contextsAlive--; }

// Starts a document unless the test makes it fail.
int FakeStartDoc(DeviceContext&) { return State.failStartDoc ? 0 : 1; }

// Starts a page unless it is the page the test makes fail.
int FakeStartPage(DeviceContext& dc) {
  if (State.failStartPageAt > 0 && dc.pageNumber + 1 == State.failStartPageAt) return 0;
  State.pagesStarted++;
  return 1;
}

// Ends a page.
int FakeEndPage(DeviceContext&) { return 1; }

// Ends a document.
int FakeEndDoc(DeviceContext&) { return 1; }

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
// test refuses is not matched.
bool FakeRealizeFont(DeviceContext&, const LOGFONTA& font, RealizedFont& out) {
  if (State.faces.empty()) return false;
  const std::string wanted(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName));
  if (!State.failSelectFace.empty() && strcasecmp(wanted.c_str(), State.failSelectFace.c_str()) == 0)
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

// Records a call; font creation and deletion keep the count of living fonts.
void FakeNoteCall(const std::string& call) {
  State.calls.push_back(call);
  if (call.rfind("CreateFont ", 0) == 0 && !State.failCreateFont) State.fontsAlive++;
  if (call.rfind("DeleteObject ", 0) == 0) State.fontsAlive--;
}

// Counts a measuring call.
void FakeNoteMeasure() { State.charWidthCalls++; }

// True when the test makes font creation fail.
bool FakeRefuseFont() { return State.failCreateFont; }

}  // namespace

const PrinterBackend FakePrinterBackend = {
    FakeListPrinters, FakeFindPrinter, FakeOpenContext, FakeCloseContext, FakeStartDoc,
    FakeStartPage,    FakeEndPage,     FakeEndDoc,      FakeListFaces,    FakeRealizeFont,
    FakeReleaseFont,  FakeDrawText,    FakeNoteCall,    FakeNoteMeasure,  FakeRefuseFont,
};

// True while unit tests have the fake on.
bool FakePrinterOn() { return FakeOn; }

// Turns the fake on or off; turning it on resets its state to the defaults.
void UseFakePrinterDevice(bool on) {
  FakeOn = on;
  if (on) State = FakePrinterState();
}

FakePrinterState& FakePrinter() { return State; }
