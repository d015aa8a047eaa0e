// PDF drawing of a printer document with cairo, and the page geometry in device pixels.
#include <cairo-pdf.h>
#include <cairo.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "platform/printer/linux/printer_canvas.h"
#include "platform/files/write_all.h"

namespace {

// Text drawn on the page and not yet handed to cairo: glyphs of one face, size and colour.
// cairo's PDF surface records every drawing operation and, when the page ends, replays and
// analyses each one, so a page's text drawn as one operation costs far less than one
// operation per line.
struct PendingText {
  cairo_font_face_t* face = nullptr;         // referenced while glyphs wait
  cairo_font_face_t* missingFace = nullptr;  // its missing-glyph face, once needed
  int emHeight = 0;
  double widthScale = 1.0;
  COLORREF color = 0;
  std::vector<cairo_glyph_t> glyphs;   // glyphs of the face
  std::vector<cairo_glyph_t> missing;  // the missing glyph
};

}  // namespace

// The open document of a context: the cairo PDF being drawn, its bytes, the CUPS job.
struct DocumentState {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  std::string pdf;  // the bytes cairo has written and not yet put in the file
  int fd = -1;      // the file the bytes go to as they come; -1: they stay in pdf
  bool fileFailed = false;
  int writeError = 0;  // errno of the write that failed
  off_t fileWritten = 0;
  time_t started = 0;
  int jobId = 0;
  PendingText text;
};

namespace {

// Hundredths of millimetres to device pixels, rounded to nearest.
int Pixels(int hundredthsMm, int dpi) {
  return static_cast<int>(std::lround(hundredthsMm * static_cast<double>(dpi) / 2540.0));
}

// Hundredths of millimetres to PDF points.
double Points(int hundredthsMm) {
  return hundredthsMm * 72.0 / 2540.0;
}

// cairo's bytes gathered before a write to the document's file.
constexpr size_t PdfWriteChunk = size_t{256} * 1024;

// Writes the gathered bytes to the document's file and has the system start putting them on
// disk, so the sync at the end of the document has little left to wait for.
bool WritePdfChunk(DocumentState& doc) {
  if (!WriteAll(doc.fd, doc.pdf)) {
    doc.writeError = errno;
    return false;
  }
  const auto written = static_cast<off_t>(doc.pdf.size());
  sync_file_range(doc.fd, doc.fileWritten, written, SYNC_FILE_RANGE_WRITE);
  doc.fileWritten += written;
  doc.pdf.clear();
  return true;
}

// Takes what cairo writes: into the document's bytes, and from there into its file when it
// has one. A failed write stops the document.
cairo_status_t CollectPdf(void* closure, const unsigned char* data, unsigned int length) {
  auto* doc = static_cast<DocumentState*>(closure);
  if (doc->fileFailed) return CAIRO_STATUS_WRITE_ERROR;
  doc->pdf.append(reinterpret_cast<const char*>(data), length);
  if (doc->fd >= 0 && doc->pdf.size() >= PdfWriteChunk && !WritePdfChunk(*doc)) {
    doc->fileFailed = true;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

// Sets a COLORREF (red in the low byte) as cairo's source.
void SetSourceColor(cairo_t* cr, COLORREF color) {
  cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                       ((color >> 16) & 0xFF) / 255.0);
}

// Forgets the waiting text without drawing it.
void DropPendingText(PendingText& text) {
  if (text.face) cairo_font_face_destroy(text.face);
  if (text.missingFace) cairo_font_face_destroy(text.missingFace);
  text.face = nullptr;
  text.missingFace = nullptr;
  text.glyphs.clear();
  text.missing.clear();
}

// Draws the waiting text: the face's glyphs as one run of PDF text, then the missing glyphs
// in the missing-glyph face (or as filled outlines when there is none). The missing glyph
// never goes into the face's own PDF font: cairo would give it code 0 there, below the
// font's first character 32, and viewers would draw it with no width and slide the rest of
// the line left.
void DrawPendingText(DocumentState& doc) {
  PendingText& text = doc.text;
  if (!text.face) return;
  cairo_t* cr = doc.cr;
  cairo_save(cr);
  // The page's pixels are a scale and a shift of the PDF's points. The glyphs go to cairo in
  // points under an identity matrix: cairo then only copies their positions, where through
  // the pixel matrix it would transform each one with a call of its own.
  cairo_matrix_t pixels;
  cairo_get_matrix(cr, &pixels);
  for (std::vector<cairo_glyph_t>* run : {&text.glyphs, &text.missing}) {
    for (cairo_glyph_t& glyph : *run) {
      glyph.x = pixels.xx * glyph.x + pixels.x0;
      glyph.y = pixels.yy * glyph.y + pixels.y0;
    }
  }
  cairo_identity_matrix(cr);
  SetSourceColor(cr, text.color);
  cairo_set_font_face(cr, text.face);
  cairo_matrix_t size;
  cairo_matrix_init_scale(&size, pixels.xx * text.emHeight * text.widthScale,
                          pixels.yy * text.emHeight);
  cairo_set_font_matrix(cr, &size);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  if (!text.glyphs.empty())
    cairo_show_glyphs(cr, text.glyphs.data(), static_cast<int>(text.glyphs.size()));
  if (!text.missing.empty() && text.missingFace) {
    cairo_set_font_face(cr, text.missingFace);
    cairo_show_glyphs(cr, text.missing.data(), static_cast<int>(text.missing.size()));
  } else if (!text.missing.empty()) {
    cairo_new_path(cr);
    cairo_glyph_path(cr, text.missing.data(), static_cast<int>(text.missing.size()));
    cairo_fill(cr);
  }
  cairo_restore(cr);
  DropPendingText(text);
}

}  // namespace

// Sets the geometry from the sheet, orientation and resolution. Landscape turns the sheet a
// quarter turn: its left margin comes from the bottom, its top from the left. The pixels are
// square at the finer of the two resolutions: widths are measured from an em size counted in
// pixels down the page, so a pixel must be as long across as down. The PDF is resolution
// independent, so nothing is lost.
void SetPageGeometry(DeviceContext& dc, const MediaSize& media, int dpiX, int dpiY) {
  const int dpi = std::max(dpiX, dpiY);
  dpiX = dpi;
  dpiY = dpi;
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
bool CanvasStartDoc(DeviceContext& dc, int fd) {
  auto* doc = new DocumentState;
  doc->started = time(nullptr);
  doc->fd = fd;
  doc->surface =
      cairo_pdf_surface_create_for_stream(CollectPdf, doc, dc.pageWidthPoints, dc.pageHeightPoints);
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
int CanvasStartPage(DeviceContext& dc) {
  return dc.document ? 1 : 0;
}

// Ends a page: its waiting text is drawn and the PDF page emitted, blank or not.
int CanvasEndPage(DeviceContext& dc) {
  if (!dc.document) return 0;
  DrawPendingText(*dc.document);
  cairo_show_page(dc.document->cr);
  return cairo_status(dc.document->cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}

// Completes the PDF and hands out its bytes, or writes the last of them to its file.
bool CanvasFinish(DeviceContext& dc, std::string& pdf) {
  DocumentState* doc = dc.document;
  if (!doc) return false;
  DrawPendingText(*doc);
  bool good = cairo_status(doc->cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(doc->cr);
  doc->cr = nullptr;
  cairo_surface_finish(doc->surface);
  good = good && cairo_surface_status(doc->surface) == CAIRO_STATUS_SUCCESS;
  if (doc->fd >= 0) {
    good = good && !doc->fileFailed && WritePdfChunk(*doc);
    return good && doc->fileWritten > 0;
  }
  pdf = std::move(doc->pdf);
  doc->pdf.clear();
  return good && !pdf.empty();
}

// Frees the document and what was drawn.
void CanvasDiscard(DeviceContext& dc) {
  DocumentState* doc = dc.document;
  if (!doc) return;
  DropPendingText(doc->text);
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
int& CanvasJobId(DeviceContext& dc) {
  return dc.document->jobId;
}

int CanvasWriteError(const DeviceContext& dc) {
  return dc.document ? dc.document->writeError : 0;
}

// Draws a picture's pixels scaled into its rectangle of the page. The text drawn so far is
// drawn first, so the picture lies above the text before it.
bool CanvasDrawBitmap(DeviceContext& dc, const PageBitmap& bitmap) {
  if (!dc.document || !dc.document->cr) return false;
  DrawPendingText(*dc.document);
  cairo_t* cr = dc.document->cr;
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) return false;
  const int width = bitmap.sourceWidth;
  const int height = bitmap.sourceHeight;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return false;
  }
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int row = 0; row < height; ++row)
    std::memcpy(data + static_cast<size_t>(row) * static_cast<size_t>(stride),
                bitmap.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(width),
                static_cast<size_t>(width) * 4);
  cairo_surface_mark_dirty(image);

  // The image's pixels map onto the destination rectangle; cairo keeps them at their own
  // resolution in the PDF, placed and scaled by the matrix.
  cairo_save(cr);
  cairo_translate(cr, bitmap.x, bitmap.y);
  cairo_scale(cr, static_cast<double>(bitmap.width) / width,
              static_cast<double>(bitmap.height) / height);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(image);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

// Draws a text run of bytes: each byte is its Windows-1252 character (CanvasDrawCharacters).
int CanvasDrawText(DeviceContext& dc, int x, int y, const std::string& text) {
  std::u32string characters(text.size(), U'\0');
  for (size_t index = 0; index < text.size(); index++)
    characters[index] = ByteCharacter(static_cast<unsigned char>(text[index]));
  return CanvasDrawCharacters(dc, x, y, characters);
}

// Draws a text run: the characters' glyphs at the positions their integer advances give, so
// the drawn width is the measured width. The glyphs join the page's waiting text (drawn when
// the page ends or something else is drawn); a change of face, size or colour draws the
// waiting text first, and so does an opaque background, whose box must cover only earlier
// text. An underlined font draws its stroke under the run.
int CanvasDrawCharacters(DeviceContext& dc, int x, int y, const std::u32string& text) {
  DocumentState* doc = dc.document;
  cairo_font_face_t* face = CatalogCairoFace(dc.realized);
  if (!doc || !doc->cr || !face) return 0;
  std::vector<CharacterGlyph> glyphs(text.size());
  long long runWidth = 0;
  for (size_t index = 0; index < text.size(); index++) {
    glyphs[index] = CatalogCharacterGlyph(dc.realized, text[index]);
    runWidth += glyphs[index].advance;
  }
  const int width = static_cast<int>(std::min<long long>(runWidth, INT32_MAX));
  const int left = TextRunLeft(dc, x, width);
  const int baseline = TextRunBaseline(dc, y);
  PendingText& pending = doc->text;
  if (pending.face &&
      (pending.face != face || pending.emHeight != dc.realized.emHeight ||
       pending.widthScale != dc.realized.widthScale || pending.color != dc.textColor))
    DrawPendingText(*doc);
  if (dc.backgroundMode == OPAQUE && width > 0) {
    DrawPendingText(*doc);
    cairo_t* cr = doc->cr;
    cairo_save(cr);
    SetSourceColor(cr, dc.backgroundColor);
    cairo_rectangle(cr, left, baseline - dc.realized.metrics.tmAscent, width,
                    dc.realized.metrics.tmHeight);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  if (!pending.face) {
    pending.face = cairo_font_face_reference(face);
    pending.emHeight = dc.realized.emHeight;
    pending.widthScale = dc.realized.widthScale;
    pending.color = dc.textColor;
  }
  long long pen = left;
  for (const CharacterGlyph& glyph : glyphs) {
    const cairo_glyph_t placed{glyph.glyph, static_cast<double>(pen),
                               static_cast<double>(baseline)};
    if (glyph.glyph) {
      pending.glyphs.push_back(placed);
    } else {
      if (pending.missing.empty() && !pending.missingFace)
        if (cairo_font_face_t* missingFace = CatalogMissingGlyphFace(dc.realized))
          pending.missingFace = cairo_font_face_reference(missingFace);
      pending.missing.push_back(placed);
    }
    pen += glyph.advance;
  }
  if (dc.font && dc.font->font.lfUnderline && width > 0) {
    cairo_t* cr = doc->cr;
    cairo_save(cr);
    SetSourceColor(cr, dc.textColor);
    cairo_rectangle(cr, left, baseline + dc.realized.underlineOffset, width,
                    dc.realized.underlineThickness);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  return cairo_status(doc->cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}
