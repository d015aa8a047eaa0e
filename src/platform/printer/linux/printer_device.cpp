// Printer device: device contexts, documents, fonts and text over the printer backends.
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/process/last_error.h"
#include "platform/printer/linux/printer_internal.h"

namespace {

// Contexts and font objects handed out and not yet freed: a stale or foreign handle is
// refused instead of being followed.
std::unordered_set<DeviceContext*> LiveContexts;
std::unordered_set<GdiObject*> LiveObjects;

// How the bitmap calls free their own objects, once they have been used (null before).
bool (*DeleteBitmapContext)(HDC) = nullptr;
bool (*DeleteBitmapObject)(HGDIOBJ) = nullptr;

// The context behind a handle, or null for a handle that is not a live context.
DeviceContext* LiveContext(HDC dc) {
  if (!dc || !LiveContexts.count(dc)) return nullptr;
  return dc;
}

// Frees a realized font on its context's backend.
void ReleaseRealized(DeviceContext& dc, RealizedFont& font) {
  if (font.engine && dc.backend->releaseFont) dc.backend->releaseFont(font);
  font = RealizedFont();
}

// Frees what a context realized earlier for an object (every object when null).
void ForgetRealizedBefore(DeviceContext& dc, const GdiObject* object) {
  auto& before = dc.realizedBefore;
  for (auto entry = before.begin(); entry != before.end();) {
    if (object && entry->first != object) {
      ++entry;
      continue;
    }
    ReleaseRealized(dc, entry->second);
    entry = before.erase(entry);
  }
}

// Frees a font object that was deleted while selected once no context holds it, with what
// any context kept realized of it.
void ReleaseObjectIfDone(GdiObject* object) {
  if (object->stock || !object->deletePending || object->selections > 0) return;
  for (DeviceContext* dc : LiveContexts) ForgetRealizedBefore(*dc, object);
  LiveObjects.erase(object);
  delete object;
}

// Frees the realized font of a context.
void DropRealizedFont(DeviceContext& dc) {
  ReleaseRealized(dc, dc.realized);
}

// A context of the printer on the backend with its defaults, or the given orientation; null
// when the backend cannot open it.
HDC NewContext(const PrinterBackend& backend, const std::string& name, const DEVMODEA& defaults,
               const DEVMODEA* settings) {
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
DeviceContext* LivePrinterContext(HDC dc) {
  return LiveContext(dc);
}

// Font objects made and not yet deleted.
int FontObjectsAlive() {
  int alive = 0;
  for (const GdiObject* object : LiveObjects) alive += object->stock ? 0 : 1;
  return alive;
}

// Takes how the bitmap calls free their objects.
void RegisterBitmapRelease(bool (*deleteContext)(HDC), bool (*deleteObject)(HGDIOBJ)) {
  DeleteBitmapContext = deleteContext;
  DeleteBitmapObject = deleteObject;
}

// Lists the printers of every backend in use.
bool EnumPrintersA(std::vector<std::string>& names) {
  std::vector<std::string> found;
  for (const PrinterBackend* backend : ListingBackends()) {
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
  for (const PrinterBackend* backend : ListingBackends())
    if (backend->defaultPrinter) return backend->defaultPrinter();
  return "";
}

// Makes a device context of the named printer with its defaults, or the given orientation;
// null with the reason for GetLastError when there is none.
HDC CreateDCA(const char* /*driver*/, const char* device, const char* /*output*/,
              const DEVMODEA* settings) {
  if (!device) return nullptr;
  const std::string name = device;
  // The lookup holds the printer until its context holds it, so it is looked up once.
  DEVMODEA defaults;
  void* held = nullptr;
  const PrinterBackend* backend = FindPrinterBackend(name, defaults, held);
  if (!backend) return nullptr;
  HDC dc = NewContext(*backend, name, defaults, settings);
  LetGoPrinter(*backend, held);
  return dc;
}

// Frees a context; a document not yet ended is cancelled.
int DeleteDC(HDC handle) {
  if (DeleteBitmapContext && DeleteBitmapContext(handle)) return 1;  // a bitmap read-out's
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return 0;
  dc->backend->closeContext(*dc);
  DropRealizedFont(*dc);
  ForgetRealizedBefore(*dc, nullptr);
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
  if (!dc->inDocument || !dc->inPage) return 0;
  dc->inPage = false;
  return dc->backend->endPage(*dc);
}

// Ends the document (and a page left open) and hands it to the printer.
int EndDoc(HDC handle) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc) return 0;
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
    case HORZRES:
      return dc->width;
    case VERTRES:
      return dc->height;
    case RASTERCAPS:
      return dc->rasterCaps;
    case LOGPIXELSX:
      return dc->dpiX;
    case LOGPIXELSY:
      return dc->dpiY;
    case PHYSICALWIDTH:
      return dc->physicalWidth;
    case PHYSICALHEIGHT:
      return dc->physicalHeight;
    case PHYSICALOFFSETX:
      return dc->offsetX;
    case PHYSICALOFFSETY:
      return dc->offsetY;
    default:
      return 0;
  }
}

// Makes a font object from a description; it is matched when selected into a context.
HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  auto* object = new GdiObject;
  object->font = *font;
  object->font.lfFaceName[sizeof object->font.lfFaceName - 1] = 0;
  LiveObjects.insert(object);
  return object;
}

// Selects a font into a context, realizing it there; returns the font it replaces.
HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !object || !LiveObjects.count(object) || object->deletePending) return nullptr;
  // A context's own font belongs to that context only.
  if (object->stock && object != &dc->stockFont) return nullptr;
  auto& before = dc->realizedBefore;
  auto known = std::find_if(before.begin(), before.end(),
                            [object](const auto& entry) { return entry.first == object; });
  // The font it replaces stays realized for a later selection (the same object again is
  // simply the one it has).
  const bool keepReplaced = dc->font && dc->font != object;
  if (known != before.end() && keepReplaced) {
    // The two trade places: a style changed and back costs no copy of the fonts' tables.
    std::swap(dc->realized, known->second);
    known->first = dc->font;
  } else {
    RealizedFont realized;
    if (known != before.end()) {
      realized = known->second;
      before.erase(known);
    } else if (!dc->backend->realizeFont(*dc, object->font, realized)) {
      return nullptr;
    }
    if (keepReplaced)
      before.emplace_back(dc->font, dc->realized);
    else
      DropRealizedFont(*dc);
    dc->realized = realized;
  }
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
  if (DeleteBitmapObject && DeleteBitmapObject(object)) return 1;  // a loaded bitmap
  if (!object || !LiveObjects.count(object) || object->deletePending) return 0;
  if (object->stock) return 1;  // a context's own font goes with the context
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
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !size || !dc->font || length < 0 || (length > 0 && !text)) return 0;
  int advances[256];
  dc->backend->queryAdvances(*dc, 0, 255, advances);
  long long width = 0;
  for (int i = 0; i < length; ++i) width += advances[static_cast<unsigned char>(text[i])];
  size->cx = static_cast<int>(std::min<long long>(width, INT32_MAX));
  size->cy = dc->realized.metrics.tmHeight;
  return 1;
}

// Advances of the bytes first..last in the selected font.
int GetCharWidth32A(HDC handle, unsigned first, unsigned last, int* widths) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !widths || !dc->font || first > last || last > 255) return 0;
  dc->backend->queryAdvances(*dc, first, last, widths);
  return 1;
}

// Draws text on the page being drawn; nothing is drawn outside a page.
int TextOutA(HDC handle, int x, int y, const char* text, int length) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || length < 0 || (length > 0 && !text) || !dc->font) return 0;
  if (!dc->inDocument || !dc->inPage) return 0;
  return dc->backend->drawText(*dc, x, y,
                               std::string(text ? text : "", static_cast<size_t>(length)));
}

namespace {

// UTF-16 units as characters: a surrogate pair is one character, a lone surrogate stays a
// unit of its own (the font has no glyph for it).
std::u32string WideCharacters(const wchar_t* text, int length) {
  std::u32string characters(static_cast<size_t>(length), U'\0');
  char32_t* out = characters.data();
  size_t count = 0;
  for (int index = 0; index < length; index++) {
    const auto unit = static_cast<char32_t>(text[index]) & 0xFFFFu;
    if (unit < 0xD800 || unit >= 0xDC00) {  // not the first of a pair: the character itself
      out[count++] = unit;
      continue;
    }
    const auto next = index + 1 < length ? static_cast<char32_t>(text[index + 1]) & 0xFFFFu : 0u;
    if (next >= 0xDC00 && next < 0xE000) {
      characters[count++] = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
      index++;
    } else {
      characters[count++] = unit;
    }
  }
  characters.resize(count);
  return characters;
}

}  // namespace

// Width (sum of the characters' advances) and height (tmHeight) of a wide text.
int GetTextExtentPoint32W(HDC handle, const wchar_t* text, int length, SIZE* size) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !size || !dc->font || length < 0 || (length > 0 && !text)) return 0;
  const std::u32string characters = WideCharacters(text, length);
  std::vector<int> advances(characters.size());
  dc->backend->characterAdvances(*dc, characters.data(), characters.size(), advances.data());
  long long width = 0;
  for (const int advance : advances) width += advance;
  size->cx = static_cast<int>(std::min<long long>(width, INT32_MAX));
  size->cy = dc->realized.metrics.tmHeight;
  return 1;
}

// Advances of the characters first..last in the selected font.
int GetCharWidth32W(HDC handle, unsigned first, unsigned last, int* widths) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || !widths || !dc->font || first > last || last > 0xFFFF) return 0;
  std::u32string characters;
  for (unsigned character = first; character <= last; character++) characters.push_back(character);
  dc->backend->characterAdvances(*dc, characters.data(), characters.size(), widths);
  return 1;
}

// Draws wide text on the page being drawn; nothing is drawn outside a page.
int TextOutW(HDC handle, int x, int y, const wchar_t* text, int length) {
  DeviceContext* dc = LiveContext(handle);
  if (!dc || length < 0 || (length > 0 && !text) || !dc->font) return 0;
  if (!dc->inDocument || !dc->inPage) return 0;
  return dc->backend->drawCharacters(*dc, x, y, WideCharacters(text, length));
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
// Each family's full record goes out as its first member, the LOGFONTA, as on Windows.
int EnumFontFamiliesA(HDC handle, const char* family, FONTENUMPROCA callback, LPARAM value) {
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
    result = callback(&font.elfLogFont, &metrics, 4 /* TRUETYPE_FONTTYPE */, value);
    if (result == 0) break;
  }
  return result;
}

// a * b / c on a 64-bit product, rounded half away from zero; -1 when c is 0 or the result does
// not fit 32 bits, as the Windows call does (printer pixels from points and a resolution).
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t product = static_cast<int64_t>(a) * b;
  bool negative = (product < 0) != (c < 0);
  uint64_t magnitude =
      product < 0 ? static_cast<uint64_t>(-product) : static_cast<uint64_t>(product);
  uint64_t divisor =
      c < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  uint64_t quotient = (magnitude + divisor / 2) / divisor;
  if (quotient > static_cast<uint64_t>(INT32_MAX)) return -1;
  return negative ? -static_cast<int32_t>(quotient) : static_cast<int32_t>(quotient);
}
