// PDF drawing of a printer document with cairo, and the page geometry in device pixels.
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "platform/printer_canvas.h"

// The open document of a context: the cairo PDF being drawn, its bytes, the CUPS job.
struct DocumentState {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  std::string pdf;  // the bytes cairo has written
  time_t started = 0;
  int jobId = 0;
};

namespace {

// Hundredths of millimetres to device pixels, rounded to nearest.
int Pixels(int hundredthsMm, int dpi) {
  return static_cast<int>(std::lround(hundredthsMm * static_cast<double>(dpi) / 2540.0));
}

// Hundredths of millimetres to PDF points.
double Points(int hundredthsMm) { return hundredthsMm * 72.0 / 2540.0; }

// Appends what cairo writes to the document's bytes.
cairo_status_t CollectPdf(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

// Sets the geometry from the sheet, orientation and resolution. Landscape turns the sheet a
// quarter turn: its left margin comes from the bottom, its top from the left.
void SetPageGeometry(DeviceContext& dc, const MediaSize& media, int dpiX, int dpiY) {
  MediaSize sheet = media;
  if (dc.settings.dmOrientation == DMORIENT_LANDSCAPE) {
    sheet.width = media.length;
    sheet.length = media.width;
    sheet.left = media.bottom;
    sheet.top = media.left;
    sheet.right = media.top;
    sheet.bottom = media.right;
  }
  dc.dpiX = dpiX;
  dc.dpiY = dpiY;
  dc.physicalWidth = Pixels(sheet.width, dpiX);
  dc.physicalHeight = Pixels(sheet.length, dpiY);
  dc.offsetX = Pixels(sheet.left, dpiX);
  dc.offsetY = Pixels(sheet.top, dpiY);
  dc.width = std::max(1, dc.physicalWidth - dc.offsetX - Pixels(sheet.right, dpiX));
  dc.height = std::max(1, dc.physicalHeight - dc.offsetY - Pixels(sheet.bottom, dpiY));
  dc.rasterCaps = RC_STRETCHDIB;
  // The PDF page in points, kept for the document.
  dc.pageWidthPoints = Points(sheet.width);
  dc.pageHeightPoints = Points(sheet.length);
}

// Creates the context's document: an empty PDF whose user space is device pixels with the
// origin at the printable area's top-left corner.
bool CanvasStartDoc(DeviceContext& dc) {
  auto* doc = new DocumentState;
  doc->started = time(nullptr);
  doc->surface = cairo_pdf_surface_create_for_stream(CollectPdf, &doc->pdf, dc.pageWidthPoints,
                                                     dc.pageHeightPoints);
  if (cairo_surface_status(doc->surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(doc->surface);
    delete doc;
    return false;
  }
  const std::string title = Cp1252ToUtf8(dc.documentName);
  cairo_pdf_surface_set_metadata(doc->surface, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(doc->surface, CAIRO_PDF_METADATA_CREATOR, "Tavrel");
  doc->cr = cairo_create(doc->surface);
  cairo_scale(doc->cr, 72.0 / dc.dpiX, 72.0 / dc.dpiY);
  cairo_translate(doc->cr, dc.offsetX, dc.offsetY);
  if (cairo_status(doc->cr) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(doc->cr);
    cairo_surface_destroy(doc->surface);
    delete doc;
    return false;
  }
  dc.document = doc;
  return true;
}

// Starts a page: cairo starts a PDF page with the first drawing.
int CanvasStartPage(DeviceContext& dc) { return dc.document ? 1 : 0; }

// Ends a page: the PDF page is emitted, blank or not.
int CanvasEndPage(DeviceContext& dc) {
  if (!dc.document) return 0;
  cairo_show_page(dc.document->cr);
  return cairo_status(dc.document->cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}

// Completes the PDF and hands out its bytes.
bool CanvasFinish(DeviceContext& dc, std::string& pdf) {
  DocumentState* doc = dc.document;
  if (!doc) return false;
  bool good = cairo_status(doc->cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(doc->cr);
  doc->cr = nullptr;
  cairo_surface_finish(doc->surface);
  good = good && cairo_surface_status(doc->surface) == CAIRO_STATUS_SUCCESS;
  pdf = std::move(doc->pdf);
  doc->pdf.clear();
  return good && !pdf.empty();
}

// Frees the document and what was drawn.
void CanvasDiscard(DeviceContext& dc) {
  DocumentState* doc = dc.document;
  if (!doc) return;
  if (doc->cr) cairo_destroy(doc->cr);
  cairo_surface_destroy(doc->surface);
  delete doc;
  dc.document = nullptr;
}

// When the document was started.
time_t CanvasStartTime(const DeviceContext& dc) {
  return dc.document ? dc.document->started : time(nullptr);
}

// The CUPS job of the document.
int& CanvasJobId(DeviceContext& dc) { return dc.document->jobId; }

// The cairo context of the document being drawn, for the bitmap calls.
cairo_t* CanvasCairo(DeviceContext& dc) { return dc.document ? dc.document->cr : nullptr; }

// Draws a text run: the bytes' glyphs at the positions their integer advances give, so the
// drawn width is the measured width.
int CanvasDrawText(DeviceContext& dc, int x, int y, const std::string& text) {
  DocumentState* doc = dc.document;
  cairo_font_face_t* face = CatalogCairoFace(dc.realized);
  if (!doc || !doc->cr || !face) return 0;
  const int width = TextRunWidth(dc, text);
  const int left = TextRunLeft(dc, x, width);
  const int baseline = TextRunBaseline(dc, y);
  cairo_t* cr = doc->cr;
  cairo_save(cr);
  if (dc.backgroundMode == OPAQUE && width > 0) {
    const COLORREF back = dc.backgroundColor;
    cairo_set_source_rgb(cr, (back & 0xFF) / 255.0, ((back >> 8) & 0xFF) / 255.0,
                         ((back >> 16) & 0xFF) / 255.0);
    cairo_rectangle(cr, left, baseline - dc.realized.metrics.tmAscent, width,
                    dc.realized.metrics.tmHeight);
    cairo_fill(cr);
  }
  const COLORREF color = dc.textColor;
  cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                       ((color >> 16) & 0xFF) / 255.0);
  cairo_set_font_face(cr, face);
  cairo_set_font_size(cr, dc.realized.emHeight);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  std::vector<cairo_glyph_t> glyphs;
  glyphs.reserve(text.size());
  long long pen = left;
  for (unsigned char byte : text) {
    glyphs.push_back(cairo_glyph_t{dc.realized.glyphs[byte], static_cast<double>(pen),
                                   static_cast<double>(baseline)});
    pen += dc.realized.advances[byte];
  }
  if (!glyphs.empty()) cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}
