// Printer device internals: the device context, font objects and the seam to the printers.
//
// The calls of printer_device.h keep the context's state here and reach the printer through
// one PrinterBackend: a CUPS queue, the built-in "Print to PDF" printer, or a test's own.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/printer/printer_device.h"

// A font realized on one context: the face drawn, its metrics and the advance of every byte.
struct RealizedFont {
  std::string face;  // the family actually matched
  int emHeight = 0;  // em size in device pixels
  TEXTMETRICA metrics;
  int advances[256] = {};
  unsigned glyphs[256] = {};  // glyph index of each byte (0: the missing glyph)
  // Horizontal stretch of the drawn glyphs that makes a fixed-pitch face's own advance the
  // whole-pixel advance above (1 for other faces), so the PDF needs no correction per glyph.
  double widthScale = 1.0;
  // Underline stroke below the baseline (its top) and its thickness, in device pixels.
  int underlineOffset = 0;
  int underlineThickness = 1;
  void* engine = nullptr;  // the backend's own font data
};

// A font object: the description the caller gave. Selection realizes it on a context.
struct GdiObject {
  LOGFONTA font;
  int selections = 0;          // contexts it is selected into
  bool deletePending = false;  // deleted while selected: freed when the last context lets go
  bool stock = false;          // a context's own font, freed with the context
};

struct DocumentState;  // the backend's data of one open document

struct DeviceContext {
  const struct PrinterBackend* backend = nullptr;
  std::string printer;
  DEVMODEA settings;

  // Geometry in device pixels.
  int width = 0;  // printable area
  int height = 0;
  int offsetX = 0;  // unprintable margins left and top
  int offsetY = 0;
  int physicalWidth = 0;  // the sheet
  int physicalHeight = 0;
  int dpiX = 600;
  int dpiY = 600;
  int rasterCaps = RC_STRETCHDIB;
  double pageWidthPoints = 0;  // the sheet as a PDF page
  double pageHeightPoints = 0;
  struct CupsDestination* destination = nullptr;  // a CUPS printer's queue

  // Drawing state.
  GdiObject stockFont;
  GdiObject* font = nullptr;  // selected font object
  RealizedFont realized;      // the selected font on this context
  // Fonts realized on this context earlier and not selected now, by their object: selecting
  // one again takes it from here, so text that changes style (bold, underline) and back
  // does not match and load its face again, nor put a new copy of it into the document.
  std::vector<std::pair<const GdiObject*, RealizedFont>> realizedBefore;
  unsigned align = 0;  // TA_TOP | TA_LEFT until set
  int backgroundMode = OPAQUE;
  COLORREF textColor = 0;
  COLORREF backgroundColor = 0xFFFFFF;

  // Document.
  bool inDocument = false;
  bool inPage = false;
  int pageNumber = 0;  // pages started in this document
  std::string documentName;
  DocumentState* document = nullptr;
  struct PdfFileOutput* pdfFile = nullptr;  // "Print to PDF": the file being written
};

// A picture for a printer's page: top-down 0x00RRGGBB pixels scaled into a rectangle of
// device pixels.
struct PageBitmap {
  int x = 0;
  int y = 0;
  int width = 0;  // destination size in device pixels
  int height = 0;
  int sourceWidth = 0;
  int sourceHeight = 0;
  int bitsPerPixel = 0;  // the depth the pixels were read from
  std::vector<uint32_t> pixels;
};

struct BitmapObjects;  // the objects of the bitmap calls (printer_bitmap_objects.h)

// One kind of printer. Every function gets a context whose printer and settings are set; the
// optional ones are null where the kind of printer has nothing to do.
struct PrinterBackend {
  // Appends the printer names; false with an error number on failure.
  bool (*listPrinters)(std::vector<std::string>& names, uint32_t& error);
  // True when the printer exists; fills its default settings.
  bool (*findPrinter)(const std::string& name, DEVMODEA& defaults);
  // Fills the geometry of dc.printer with dc.settings; false when the printer is unknown.
  bool (*openContext)(DeviceContext& dc);
  // A document in progress is cancelled.
  void (*closeContext)(DeviceContext& dc);
  int (*startDoc)(DeviceContext& dc);
  int (*startPage)(DeviceContext& dc);
  int (*endPage)(DeviceContext& dc);
  int (*endDoc)(DeviceContext& dc);
  bool (*listFaces)(DeviceContext& dc, std::vector<std::string>& faces);
  bool (*realizeFont)(DeviceContext& dc, const LOGFONTA& font, RealizedFont& out);
  void (*releaseFont)(RealizedFont& font);
  // Advances of the bytes first..last (at most 0..255) in the selected font into widths.
  void (*queryAdvances)(DeviceContext& dc, unsigned first, unsigned last, int* widths);
  // Draws text on the open page; x and y as the caller gave them, dc.align applies.
  int (*drawText)(DeviceContext& dc, int x, int y, const std::string& text);
  // Draws a picture on the open page; false when it could not be drawn.
  bool (*drawBitmap)(DeviceContext& dc, const PageBitmap& bitmap);

  // Optional. Keeps what a lookup learnt about the printer (null when it is not this kind's)
  // until let go, so the calls of one job ask the printer's server once.
  void* (*holdPrinter)(const std::string& name);
  void (*letGoPrinter)(void* held);
  // Optional. The default printer's name, "" when there is none.
  std::string (*defaultPrinter)();
  // Optional. Asks for the page orientation (IDOK or IDCANCEL); null: the operator at the
  // console is asked.
  long (*askOrientation)(const std::string& printer, int16_t& orientation);
  // Optional. The objects of the bitmap calls; null: the program's own, kept in memory.
  const BitmapObjects* bitmapObjects;

  // Unicode text, for the wide calls; every kind of printer has them. The 8-bit calls of the
  // real printers go the same way, their bytes read as Windows-1252 characters.
  // Advances of count characters into widths.
  void (*characterAdvances)(DeviceContext& dc, const char32_t* characters, size_t count,
                            int* widths);
  // Draws characters on the open page; x and y as the caller gave them, dc.align applies.
  int (*drawCharacters)(DeviceContext& dc, int x, int y, const std::u32string& text);
};

// The backends of real printers: the CUPS destinations of the default server and the built-in
// "Print to PDF" printer.
extern const PrinterBackend CupsPrinterBackend;
extern const PrinterBackend PdfFilePrinterBackend;

// Puts a test's kind of printer in place of the real ones (null: the real ones again). While
// it is there it is the only kind of printer: listed, looked up and asked for everything.
void UseTestPrinterBackend(const PrinterBackend* backend);

// The kinds of printer in use, in the order their printers are listed: the CUPS destinations,
// then "Print to PDF" (or the test's kind alone).
std::vector<const PrinterBackend*> ListingBackends();

// The kind of printer that has a printer of this name, with its default settings; null, with
// the reason for GetLastError, when none has. Names are looked up on "Print to PDF" first:
// its name can never be a CUPS queue's, and it is answered without asking a scheduler. What
// the lookup holds (held) is let go with LetGoPrinter once the caller holds the printer itself.
const PrinterBackend* FindPrinterBackend(const std::string& name, DEVMODEA& defaults, void*& held);
void LetGoPrinter(const PrinterBackend& backend, void* held);

// The printer context behind a handle, or null when it is not a live printer context (used by
// the bitmap calls, printer_bitmap.cpp).
DeviceContext* LivePrinterContext(HDC dc);

// Font objects made and not yet deleted (the contexts' own fonts not counted).
int FontObjectsAlive();

// The bitmap calls register here, on their first use, how DeleteDC and DeleteObject free their
// objects; so a program that draws no bitmap links none of their code. Each returns false for
// a handle that is not one of theirs.
void RegisterBitmapRelease(bool (*deleteContext)(HDC), bool (*deleteObject)(HGDIOBJ));

// Text runs in a context's realized font (printer_text_runs.cpp).
// The advances of the bytes first..last (the real printers' queryAdvances).
void RealizedAdvances(DeviceContext& dc, unsigned first, unsigned last, int* widths);
// The left end of a text run of the given width for x by the alignment, and its baseline for
// y (ascent and descent of the selected font).
int TextRunLeft(const DeviceContext& dc, int x, int width);
int TextRunBaseline(const DeviceContext& dc, int y);
// Width of a text in the selected font: the sum of its bytes' advances.
int TextRunWidth(const DeviceContext& dc, const std::string& text);
// Windows-1252 byte to Unicode; 0 for control bytes and the bytes without a character.
unsigned Cp1252ToUnicode(unsigned char byte);
// The Unicode character a byte is drawn as: its Windows-1252 character, or the byte's own
// value (a control character, drawn as the missing glyph) where Windows-1252 has none.
char32_t ByteCharacter(unsigned char byte);
// True for characters drawn as the font's missing glyph whatever the font has: the C0 and
// C1 control characters and DEL, as a byte without a Windows-1252 character is drawn.
bool IsControlCharacter(char32_t character);

// The orientation question on the console. Keys come from readKey ("" when none); gives up
// with IDCANCEL after timeoutMs without a key. orientation holds the default and the answer.
long AskOrientation(const std::string& printer, int16_t& orientation, std::string (*readKey)(),
                    int timeoutMs);
