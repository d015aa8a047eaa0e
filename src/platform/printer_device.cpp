// Printer device: device contexts, documents, fonts and text over the printer backends.
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/last_error.h"
#include "platform/printer_bitmap.h"
#include "platform/printer_fake.h"
#include "platform/printer_internal.h"

namespace {

// Contexts and font objects handed out and not yet freed: a stale or foreign handle is
// refused instead of being followed.
std::unordered_set<DeviceContext*> LiveContexts;
std::unordered_set<GdiObject*> LiveObjects;

// The kinds of printer in use: the fake alone for unit tests, else CUPS and "Print to PDF".
std::vector<const PrinterBackend*> ActiveBackends() {
  if (FakePrinterOn()) return {&FakePrinterBackend};
  return {&CupsPrinterBackend, &PdfFilePrinterBackend};
}

// The kinds of printer in the order a name is looked up: the built-in printer first, as its
// name can never be a CUPS queue's.
std::vector<const PrinterBackend*> LookupBackends() {
  if (FakePrinterOn()) return {&FakePrinterBackend};
  return {&PdfFilePrinterBackend, &CupsPrinterBackend};
}

// Records a call when the fake is on.
void NoteCall(const std::string& call) {
  if (FakePrinterOn() && FakePrinterBackend.noteCall) FakePrinterBackend.noteCall(call);
}

// Counts a measuring call when the fake is on.
void NoteMeasure() {
  if (FakePrinterOn() && FakePrinterBackend.noteMeasure) FakePrinterBackend.noteMeasure();
}

// The context behind a handle, or null for a handle that is not a live context.
DeviceContext* LiveContext(HDC dc) {
  if (!dc || !LiveContexts.count(dc)) return nullptr;
  return dc;
}

// The face name of a font description as a text (at most 31 bytes).
std::string FaceOf(const LOGFONTA& font) {
  return std::string(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName - 1));
}

// Frees a font object that was deleted while selected once no context holds it.
void ReleaseObjectIfDone(GdiObject* object) {
  if (object->stock || !object->deletePending || object->selections > 0) return;
  LiveObjects.erase(object);
  delete object;
}

// Frees the realized font of a context.
void DropRealizedFont(DeviceContext& dc) {
  if (dc.realized.engine && dc.backend->releaseFont) dc.backend->releaseFont(dc.realized);
  dc.realized = RealizedFont();
}

// A context of the printer on the backend with its defaults, or the given orientation; null
// when the backend does not have the printer.
HDC NewContext(const PrinterBackend& backend, const std::string& name, const DEVMODEA* settings) {
  DEVMODEA defaults;
  if (!backend.findPrinter(name, defaults)) return nullptr;
  auto* dc = new DeviceContext;
  dc->backend = &backend;
  dc->printer = name;
  dc->settings = defaults;
  dc->settings.dmFields |= DM_ORIENTATION;
  if (settings && (settings->dmFields & DM_ORIENTATION) &&
      (settings->dmOrientation == DMORIENT_PORTRAIT ||
       settings->dmOrientation == DMORIENT_LANDSCAPE))
    dc->settings.dmOrientation = settings->dmOrientation;
  dc->stockFont.stock = true;
  if (!backend.openContext(*dc)) {
    delete dc;
    return nullptr;
  }
  LiveContexts.insert(dc);
  LiveObjects.insert(&dc->stockFont);
  // A context without any usable font still prints nothing but exists.
  if (backend.realizeFont(*dc, dc->stockFont.font, dc->realized)) {
    dc->font = &dc->stockFont;
    dc->stockFont.selections = 1;
  }
  return dc;
}

}  // namespace

// The printer context behind a handle, for the bitmap calls.
DeviceContext* LivePrinterContext(HDC dc) { return LiveContext(dc); }

// The left end of a text run of the given width for x by the alignment.
int TextRunLeft(const DeviceContext& dc, int x, int width) {
  switch (dc.align & 6u) {
    case TA_RIGHT: return x - width;
    case 6u: return x - width / 2;  // centred
    default: return x;
  }
}

// The baseline of a text run for y by the alignment: top, bottom or baseline.
int TextRunBaseline(const DeviceContext& dc, int y) {
  switch (dc.align & TA_BASELINE) {
    case TA_BASELINE: return y;
    case 8u: return y - dc.realized.metrics.tmDescent;  // bottom
    default: return y + dc.realized.metrics.tmAscent;   // top
  }
}

// Width of a text in the selected font: the sum of its bytes' advances.
int TextRunWidth(const DeviceContext& dc, const std::string& text) {
  long long width = 0;
  for (unsigned char byte : text) width += dc.realized.advances[byte];
  return static_cast<int>(std::min<long long>(width, INT32_MAX));
}

// Lists the printers of every backend in use.
bool EnumPrintersA(std::vector<std::string>& names) {
  std::vector<std::string> found;
  for (const PrinterBackend* backend : ActiveBackends()) {
    uint32_t error = 0;
    if (!backend->listPrinters(found, error)) {
      SetLastError(error);  // read back with GetLastError (last_error.h)
      return false;
    }
  }
  names = found;
  return true;
}

// The default printer's name, "" when there is none.
std::string DefaultPrinterDevice() {
  return FakePrinterOn() ? FakePrinter().defaultPrinter : CupsDefaultPrinter();
}

// Makes a device context of the named printer with its defaults, or the given orientation;
// null with the reason for GetLastError when there is none.
HDC CreateDCA(const char* /*driver*/, const char* device, const char* /*output*/,
              const DEVMODEA* settings) {
  if (!device) return nullptr;
  SetLastError(ERROR_INVALID_PRINTER_NAME);
  const std::string name = device;
  for (const PrinterBackend* backend : LookupBackends()) {
    // A CUPS printer is held from its lookup until its context holds it, so it is looked up
    // once; a printer the scheduler does not know (or a scheduler that does not answer) is not
    // asked about a second time.
    CupsDestination* held = nullptr;
    if (backend == &CupsPrinterBackend && !(held = HoldCupsDestination(name))) continue;
    HDC dc = NewContext(*backend, name, settings);
    LetGoCupsDestination(held);
    if (dc) return dc;
  }
  return nullptr;
}

// Frees a context; a document not yet ended is cancelled.
int DeleteDC(HDC handle) {
  if (DeleteMemoryContext(handle)) return 1;  // a bitmap read-out context (printer_bitmap.cpp)
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return 0;
  NoteCall("DeleteDC");
  dc->backend->closeContext(*dc);
  DropRealizedFont(*dc);
  if (dc->font && !dc->font->stock) {
    dc->font->selections--;
    ReleaseObjectIfDone(dc->font);
  }
  LiveObjects.erase(&dc->stockFont);
  LiveContexts.erase(dc);
  delete dc;
  return 1;
}

// Starts a document: the printer's job under the document name.
int StartDocA(HDC handle, const DOCINFOA* info) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !info) return 0;
  std::string name = info->lpszDocName ? info->lpszDocName : "";
  NoteCall("StartDoc " + name);
  if (dc->inDocument) return 0;
  dc->documentName = name;
  SetLastError(ERROR_PRINT_CANCELLED);  // unless the printer tells why
  int result = dc->backend->startDoc(*dc);
  if (result <= 0) return result < 0 ? result : 0;
  dc->inDocument = true;
  dc->inPage = false;
  dc->pageNumber = 0;
  return result;
}

// Starts the next page of the document.
int StartPage(HDC handle) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return 0;
  NoteCall("StartPage");
  if (!dc->inDocument || dc->inPage) return 0;
  SetLastError(ERROR_PRINT_CANCELLED);
  int result = dc->backend->startPage(*dc);
  if (result <= 0) return 0;
  dc->inPage = true;
  dc->pageNumber++;
  return result;
}

// Ends the page being drawn.
int EndPage(HDC handle) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return 0;
  NoteCall("EndPage");
  if (!dc->inDocument || !dc->inPage) return 0;
  dc->inPage = false;
  return dc->backend->endPage(*dc);
}

// Ends the document (and a page left open) and hands it to the printer.
int EndDoc(HDC handle) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return 0;
  NoteCall("EndDoc");
  if (!dc->inDocument) return 0;
  if (dc->inPage) {
    dc->inPage = false;
    dc->backend->endPage(*dc);
  }
  dc->inDocument = false;
  SetLastError(ERROR_PRINT_CANCELLED);
  int result = dc->backend->endDoc(*dc);
  return result > 0 ? result : 0;
}

// The context's geometry and capabilities.
int GetDeviceCaps(HDC handle, int index) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return 0;
  switch (index) {
    case HORZRES: return dc->width;
    case VERTRES: return dc->height;
    case RASTERCAPS: return dc->rasterCaps;
    case LOGPIXELSX: return dc->dpiX;
    case LOGPIXELSY: return dc->dpiY;
    case PHYSICALWIDTH: return dc->physicalWidth;
    case PHYSICALHEIGHT: return dc->physicalHeight;
    case PHYSICALOFFSETX: return dc->offsetX;
    case PHYSICALOFFSETY: return dc->offsetY;
    default: return 0;
  }
}

// Makes a font object from a description; it is matched when selected into a context.
HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  auto* object = new GdiObject;
  object->font = *font;
  object->font.lfFaceName[sizeof object->font.lfFaceName - 1] = 0;
  NoteCall("CreateFont " + FaceOf(object->font) + " " + std::to_string(font->lfHeight));
  if (FakePrinterOn() && FakePrinterBackend.refuseFont && FakePrinterBackend.refuseFont()) {
    delete object;
    return nullptr;
  }
  LiveObjects.insert(object);
  return object;
}

// Selects a font into a context, realizing it there; returns the font it replaces.
HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !object || !LiveObjects.count(object) || object->deletePending) return nullptr;
  // A context's own font belongs to that context only.
  if (object->stock && object != &dc->stockFont) return nullptr;
  NoteCall("SelectObject " + FaceOf(object->font));
  RealizedFont realized;
  if (!dc->backend->realizeFont(*dc, object->font, realized)) return nullptr;
  DropRealizedFont(*dc);
  dc->realized = realized;
  GdiObject* previous = dc->font;
  object->selections++;
  dc->font = object;
  if (previous) {
    previous->selections--;
    ReleaseObjectIfDone(previous);
  }
  return previous;
}

// Deletes a font object; one still selected is freed when its context lets it go.
int DeleteObject(HGDIOBJ object) {
  if (DeleteBitmapObject(object)) return 1;  // a loaded bitmap (printer_bitmap.cpp)
  if (!object || !LiveObjects.count(object) || object->deletePending) return 0;
  if (object->stock) return 1;  // a context's own font goes with the context
  NoteCall("DeleteObject " + FaceOf(object->font));
  object->deletePending = true;
  ReleaseObjectIfDone(object);
  return 1;
}

// Metrics of the selected font.
int GetTextMetricsA(HDC handle, TEXTMETRICA* metrics) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !metrics || !dc->font) return 0;
  *metrics = dc->realized.metrics;
  return 1;
}

// Width (sum of the advances) and height (tmHeight) of a text in the selected font.
int GetTextExtentPoint32A(HDC handle, const char* text, int length, SIZE* size) {
  NoteMeasure();
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !size || !dc->font || length < 0 || (length > 0 && !text)) return 0;
  size->cx = TextRunWidth(*dc, std::string(text ? text : "", static_cast<size_t>(length)));
  size->cy = dc->realized.metrics.tmHeight;
  return 1;
}

// Advances of the bytes first..last in the selected font.
int GetCharWidth32A(HDC handle, unsigned first, unsigned last, int* widths) {
  NoteMeasure();
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !widths || !dc->font || first > last || last > 255) return 0;
  // One block copy: text output reads all 256 advances for every line it prints.
  std::copy_n(dc->realized.advances + first, last - first + 1, widths);
  return 1;
}

// Draws text on the page being drawn; nothing is drawn outside a page.
int TextOutA(HDC handle, int x, int y, const char* text, int length) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || length < 0 || (length > 0 && !text) || !dc->font) return 0;
  if (!dc->inDocument || !dc->inPage) return 0;
  return dc->backend->drawText(*dc, x, y, std::string(text ? text : "", static_cast<size_t>(length)));
}

// Sets the text alignment; returns the previous one.
unsigned SetTextAlign(HDC handle, unsigned align) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return GDI_ERROR_ALIGN;
  unsigned previous = dc->align;
  dc->align = align;
  return previous;
}

// The text alignment.
unsigned GetTextAlign(HDC handle) {
  DeviceContext* dc = LiveContext(handle);
  return dc ? dc->align : GDI_ERROR_ALIGN;
}

// Sets transparent or opaque text background; returns the previous mode, 0 on failure.
int SetBkMode(HDC handle, int mode) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->backgroundMode;
  dc->backgroundMode = mode;
  return previous;
}

// Sets the text colour (red in the low byte); returns the previous one.
COLORREF SetTextColor(HDC handle, COLORREF color) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || color == CLR_INVALID) return CLR_INVALID;
  COLORREF previous = dc->textColor;
  dc->textColor = color & 0xFFFFFFu;
  return previous;
}

// One callback per font family of the context's printer (or of the one family asked for).
int EnumFontFamiliesA(HDC handle, const char* family, FONTENUMPROCA callback, intptr_t value) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !callback) return 0;
  std::vector<std::string> faces;
  if (!dc->backend->listFaces(*dc, faces)) return 0;
  int result = 1;
  for (const std::string& face : faces) {
    if (family && *family && strcasecmp(face.c_str(), family) != 0) continue;
    ENUMLOGFONTA font;
    const size_t faceLength = std::min(face.size(), sizeof font.elfLogFont.lfFaceName - 1);
    memcpy(font.elfLogFont.lfFaceName, face.data(), faceLength);
    const size_t fullLength = std::min(face.size(), sizeof font.elfFullName - 1);
    memcpy(font.elfFullName, face.data(), fullLength);
    memcpy(font.elfStyle, "Regular", 8);
    TEXTMETRICA metrics;
    result = callback(&font, &metrics, 4 /* TRUETYPE_FONTTYPE */, value);
    if (result == 0) break;
  }
  return result;
}
