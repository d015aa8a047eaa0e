// Printer device internals: the device context, font objects and the seam to the printers.
//
// The calls of printer_device.h keep the context's state here and reach the printer through
// one PrinterBackend: a CUPS queue, the built-in "Print to PDF" printer or the recording fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/printer_device.h"

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
  void* engine = nullptr;     // the backend's own font data
};

// A font object: the description the caller gave. Selection realizes it on a context.
struct GdiObject {
  LOGFONTA font;
  int selections = 0;       // contexts it is selected into
  bool deletePending = false;  // deleted while selected: freed when the last context lets go
  bool stock = false;       // a context's own font, freed with the context
};

struct DocumentState;  // the backend's data of one open document

struct DeviceContext {
  const struct PrinterBackend* backend = nullptr;
  std::string printer;
  DEVMODEA settings;

  // Geometry in device pixels.
  int width = 0;   // printable area
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
  unsigned align = 0;         // TA_TOP | TA_LEFT until set
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

// One kind of printer. Every function gets a context whose printer and settings are set.
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
  // Draws text on the open page; x and y as the caller gave them, dc.align applies.
  int (*drawText)(DeviceContext& dc, int x, int y, const std::string& text);
  // Recording hooks of the fake; null for real printers.
  void (*noteCall)(const std::string& call);
  void (*noteMeasure)();
  bool (*refuseFont)();
};

// The backends: the printers of the default CUPS server, the built-in PDF printer, the fake.
extern const PrinterBackend CupsPrinterBackend;
extern const PrinterBackend PdfFilePrinterBackend;
extern const PrinterBackend FakePrinterBackend;

// The default CUPS destination's name, "" when there is none.
std::string CupsDefaultPrinter();

// A CUPS printer as looked up for one print job: its destination, what the scheduler says it
// supports and the job's own connection. The printer handle and the device context of a job
// each hold it, so the scheduler is asked once per job and a wait that ran out is not waited
// again; it is freed when the last holder lets go. Null, with GetLastError set, when the
// printer is not a CUPS destination or the scheduler cannot tell.
struct CupsDestination* HoldCupsDestination(const std::string& name);
void LetGoCupsDestination(struct CupsDestination* destination);

// True while unit tests have the fake on.
bool FakePrinterOn();

// The printer context behind a handle, or null when it is not a live printer context (used by
// the bitmap calls, printer_bitmap.cpp).
DeviceContext* LivePrinterContext(HDC dc);

// The left end of a text run of the given width for x by the alignment, and its baseline for
// y (ascent and descent of the selected font).
int TextRunLeft(const DeviceContext& dc, int x, int width);
int TextRunBaseline(const DeviceContext& dc, int y);
// Width of a text in the selected font: the sum of its bytes' advances.
int TextRunWidth(const DeviceContext& dc, const std::string& text);

// The orientation question on the console. Keys come from readKey ("" when none); gives up
// with IDCANCEL after timeoutMs without a key. orientation holds the default and the answer.
long AskOrientation(const std::string& printer, int16_t& orientation, std::string (*readKey)(),
                    int timeoutMs);
