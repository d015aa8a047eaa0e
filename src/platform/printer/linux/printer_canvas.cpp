// PDF drawing of a printer document, and the page geometry in device pixels.
//
// The document is written as it is drawn: each page's drawing operators are gathered, then
// compressed into the file (or the bytes kept for the scheduler) when the page ends; the fonts
// follow at the end, once every glyph they must hold is known. A page's user space is device
// pixels, y downwards, from the top-left corner of the printable area.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/printer/linux/pdf_fonts.h"
#include "platform/printer/linux/pdf_output.h"
#include "platform/printer/linux/printer_canvas.h"

namespace {

// How the bytes of one realized font are drawn: each byte's PDF font, and how far the byte's
// whole-pixel advance is from the glyph's own advance, which the PDF font's widths give (in
// thousandths of the text size, as the text-showing operator takes it).
struct ByteDrawing {
  FT_Face face = nullptr;  // the realized font's face
  std::string file;
  int emHeight = 0;
  double widthScale = 0;
  int pdfFace = -1;
  std::string scale;  // the text matrix's first number: the width scale
  std::array<PdfFont*, 256> font{};
  std::array<double, 256> correction{};
};

}  // namespace

// The open document of a context: the PDF being written, the open page, the CUPS job.
struct DocumentState {
  PdfOutput out;
  PdfFonts fonts;
  time_t started = 0;
  int jobId = 0;
  int pagesObject = 0;
  std::vector<int> pages;  // page objects in order
  std::string pageStart;   // the operators every page starts with: pixels to points
  double pageWidth = 0;    // points
  double pageHeight = 0;

  // The open page.
  std::string content;
  bool drawn = false;  // something drawn since the last page ended
  std::vector<const PdfFont*> pageFonts;
  std::vector<int> pageImages;
  bool inText = false;
  bool lineSet = false;  // the text object's line start is known
  long long lineX = 0;   // where the text object's current line starts, in pixels
  int lineY = 0;
  const PdfFont* textFont = nullptr;
  int textSize = 0;
  bool fillKnown = false;
  COLORREF fill = 0;

  // How each realized font met so far draws its bytes (text that changes style and back
  // finds its font's here), and the one of the last text drawn.
  std::deque<ByteDrawing> drawings;
  ByteDrawing* bytes = nullptr;
  std::string rgb;  // a picture's pixels as the PDF takes them
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

// Ends the page's text object, for drawing that is not text.
void EndText(DocumentState& doc) {
  if (!doc.inText) return;
  doc.content += "ET\n";
  doc.inText = false;
  doc.lineSet = false;
  doc.textFont = nullptr;
}

// Sets the fill colour (a COLORREF, red in the low byte) unless it is set already.
void SetFill(DocumentState& doc, COLORREF color) {
  if (doc.fillKnown && doc.fill == color) return;
  std::string& c = doc.content;
  if (color == 0) {
    c += "0 g\n";
  } else {
    PdfPutNumber(c, (color & 0xFF) / 255.0);
    c += ' ';
    PdfPutNumber(c, ((color >> 8) & 0xFF) / 255.0);
    c += ' ';
    PdfPutNumber(c, ((color >> 16) & 0xFF) / 255.0);
    c += " rg\n";
  }
  doc.fillKnown = true;
  doc.fill = color;
}

// Starts the page's operators on the first drawing.
void BeginDrawing(DocumentState& doc) {
  if (doc.drawn) return;
  doc.content = doc.pageStart;
  doc.drawn = true;
}

// Writes the open page: its operators compressed, then the page with what it uses.
void WritePage(DocumentState& doc) {
  BeginDrawing(doc);
  EndText(doc);
  PdfOutput& out = doc.out;
  const int contents = PdfNewObject(out);
  PdfWriteStream(out, contents, "", doc.content);
  const int page = PdfNewObject(out);
  PdfOpenObject(out, page);
  std::string& p = out.buffer;
  p += "<< /Type /Page /Parent ";
  PdfPutInt(p, doc.pagesObject);
  p += " 0 R /MediaBox [0 0 ";
  PdfPutNumber(p, doc.pageWidth);
  p += ' ';
  PdfPutNumber(p, doc.pageHeight);
  p += "] /Contents ";
  PdfPutInt(p, contents);
  p += " 0 R /Resources << /ProcSet [/PDF /Text /ImageC]";
  if (!doc.pageFonts.empty()) {
    p += " /Font <<";
    for (const PdfFont* font : doc.pageFonts) {
      p += " /" + font->resource + " ";
      PdfPutInt(p, font->object);
      p += " 0 R";
    }
    p += " >>";
  }
  if (!doc.pageImages.empty()) {
    p += " /XObject <<";
    for (const int image : doc.pageImages) {
      p += " /Im";
      PdfPutInt(p, image);
      p += ' ';
      PdfPutInt(p, image);
      p += " 0 R";
    }
    p += " >>";
  }
  p += " >> >>";
  PdfCloseObject(out);
  doc.pages.push_back(page);
  doc.content.clear();
  doc.drawn = false;
  doc.pageFonts.clear();
  doc.pageImages.clear();
  doc.fillKnown = false;
}

// The document's information: its name, the program, when it was made.
int WriteInfo(DocumentState& doc, const std::string& name) {
  std::u32string title;
  for (const char character : name) {
    const auto byte = static_cast<unsigned char>(character);
    const unsigned c = Cp1252ToUnicode(byte);
    title += static_cast<char32_t>(c ? c : byte < 0x20 || byte == 0x7F ? byte : 0xFFFD);
  }
  struct tm local = {};
  localtime_r(&doc.started, &local);
  char date[40];
  strftime(date, sizeof date, "D:%Y%m%d%H%M%S", &local);
  const int offset = static_cast<int>(local.tm_gmtoff / 60) % (24 * 60);
  char zone[32];
  snprintf(zone, sizeof zone, "%c%02d'%02d'", offset < 0 ? '-' : '+', std::abs(offset) / 60,
           std::abs(offset) % 60);
  PdfOutput& out = doc.out;
  const int info = PdfNewObject(out);
  PdfOpenObject(out, info);
  out.buffer += "<< /Title ";
  PdfPutTextString(out.buffer, title);
  out.buffer += " /Creator (Tavrel) /Producer (Tavrel) /CreationDate (";
  out.buffer += date;
  out.buffer += zone;
  out.buffer += ") >>";
  PdfCloseObject(out);
  return info;
}

// How the bytes of the selected font are drawn, worked out when the font differs from the
// last one drawn.
ByteDrawing* DrawingOfFont(DeviceContext& dc, DocumentState& doc) {
  const std::string* file = nullptr;
  int index = 0;
  FT_Face face = CatalogFontFace(dc.realized, &file, &index);
  if (!face) return nullptr;
  const RealizedFont& realized = dc.realized;
  auto same = [&](const ByteDrawing& known) {
    return known.face == face && known.emHeight == realized.emHeight &&
           known.widthScale == realized.widthScale && known.file == *file;
  };
  if (doc.bytes && same(*doc.bytes)) return doc.bytes;
  doc.lineSet = false;  // the text matrix's width scale is the last font's
  for (ByteDrawing& known : doc.drawings)
    if (same(known)) return doc.bytes = &known;
  ByteDrawing& b = doc.drawings.emplace_back();
  doc.bytes = &b;
  b.face = face;
  b.file = *file;
  b.emHeight = realized.emHeight;
  b.widthScale = realized.widthScale;
  b.pdfFace = PdfFaceOf(doc.fonts, doc.out, face, *file, index);
  // Six decimals: the scale multiplies every advance along a line of a few thousand pixels.
  char scale[32];
  snprintf(scale, sizeof scale, "%.6f", realized.widthScale);
  b.scale = scale;
  while (b.scale.back() == '0') b.scale.pop_back();
  if (b.scale.back() == '.') b.scale.pop_back();
  const double size = realized.emHeight * realized.widthScale;
  b.font.fill(nullptr);
  for (unsigned byte = 0; byte < 256; byte++) {
    const double own = PdfDesignAdvance(doc.fonts, b.pdfFace, realized.glyphs[byte]);
    const double correction = size > 0 ? 1000.0 * (own - realized.advances[byte] / size) : 0;
    b.correction[byte] = std::fabs(correction) < 0.00005 ? 0 : correction;
  }
  return &b;
}

// The PDF font of a byte, which from now on holds the byte's glyph under the byte's code.
const PdfFont* FontOfByte(const DeviceContext& dc, DocumentState& doc, unsigned char byte) {
  ByteDrawing& b = *doc.bytes;
  if (!b.font[byte]) {
    const PdfGlyph glyph{dc.realized.glyphs[byte], Cp1252ToUnicode(byte), byte};
    b.font[byte] = &PdfFontFor(doc.fonts, doc.out, b.pdfFace, glyph);
  }
  return b.font[byte];
}

// Opens the page's text object when needed and selects a PDF font at the run's size.
void SelectTextFont(DocumentState& doc, const ByteDrawing& b, const PdfFont* font) {
  std::string& c = doc.content;
  if (!doc.inText) {
    c += "BT\n";
    doc.inText = true;
  }
  if (doc.textFont == font && doc.textSize == b.emHeight) return;
  c += '/';
  c += font->resource;
  c += ' ';
  PdfPutInt(c, b.emHeight);
  c += " Tf\n";
  doc.textFont = font;
  doc.textSize = b.emHeight;
  if (std::find(doc.pageFonts.begin(), doc.pageFonts.end(), font) == doc.pageFonts.end())
    doc.pageFonts.push_back(font);
}

// Places a run of text at a pixel position of the baseline. A run below the last one, at the
// same left end (the next line of a document), moves down from it; any other is placed
// afresh. The page's y runs down: the text matrix turns the text back up, so a move down is a
// negative one in text space.
void PlaceText(DocumentState& doc, const ByteDrawing& b, long long x, int baseline) {
  std::string& c = doc.content;
  if (doc.lineSet && x == doc.lineX) {
    PdfPutInt(c, 0);
    c += ' ';
    PdfPutInt(c, static_cast<long long>(doc.lineY) - baseline);
    c += " Td\n";
  } else {
    c += b.scale;
    c += " 0 0 -1 ";
    PdfPutInt(c, x);
    c += ' ';
    PdfPutInt(c, baseline);
    c += " Tm\n";
  }
  doc.lineSet = true;
  doc.lineX = x;
  doc.lineY = baseline;
}

// Shows the bytes first..last of a text in one PDF font: a plain string when every advance is
// the glyph's own, else an array with the corrections between the glyphs. With exactEnd the
// last glyph's correction is shown too, so the next piece of the run starts where the
// advances say without being placed again.
void ShowTextPiece(DocumentState& doc, const ByteDrawing& b, const std::string& text, size_t first,
                   size_t last, bool exactEnd) {
  std::string& c = doc.content;
  const size_t corrected = exactEnd ? last : last - 1;  // the glyphs whose correction counts
  bool anyCorrection = false;
  for (size_t i = first; i < corrected && !anyCorrection; i++)
    anyCorrection = b.correction[static_cast<unsigned char>(text[i])] != 0;
  if (!anyCorrection) {
    PdfPutLiteral(c, std::string_view(text.data() + first, last - first));
    c += "Tj\n";
    return;
  }
  c += '[';
  size_t start = first;
  for (size_t i = first; i < corrected; i++) {
    const double correction = b.correction[static_cast<unsigned char>(text[i])];
    if (correction == 0) continue;
    PdfPutLiteral(c, std::string_view(text.data() + start, i + 1 - start));
    PdfPutNumber(c, correction);
    start = i + 1;
  }
  if (start < last) PdfPutLiteral(c, std::string_view(text.data() + start, last - start));
  c += "]TJ\n";
}

// One glyph of a run of characters: its font, its code there and the correction after it.
struct PlacedCode {
  const PdfFont* font = nullptr;
  unsigned code = 0;
  double correction = 0;
};

// Shows glyphs first..last of a run, all in one font, as ShowTextPiece shows bytes: codes of
// two bytes in a composite font, of one in the others.
void ShowCodes(DocumentState& doc, const std::vector<PlacedCode>& run, size_t first, size_t last,
               bool exactEnd) {
  std::string& c = doc.content;
  const bool wide = run[first].font->composite;
  std::string codes;
  const size_t corrected = exactEnd ? last : last - 1;
  bool anyCorrection = false;
  for (size_t i = first; i < corrected && !anyCorrection; i++)
    anyCorrection = run[i].correction != 0;
  if (!anyCorrection) {
    for (size_t i = first; i < last; i++) {
      if (wide) codes += static_cast<char>(run[i].code >> 8);
      codes += static_cast<char>(run[i].code & 0xFF);
    }
    PdfPutLiteral(c, codes);
    c += "Tj\n";
    return;
  }
  c += '[';
  for (size_t i = first; i < last; i++) {
    if (wide) codes += static_cast<char>(run[i].code >> 8);
    codes += static_cast<char>(run[i].code & 0xFF);
    if (i < corrected && run[i].correction != 0) {
      PdfPutLiteral(c, codes);
      PdfPutNumber(c, run[i].correction);
      codes.clear();
    }
  }
  if (!codes.empty()) PdfPutLiteral(c, codes);
  c += "]TJ\n";
}

// The opaque background of a run: a box of the background colour behind it.
void DrawBackground(const DeviceContext& dc, DocumentState& doc, int left, int baseline,
                    int width) {
  if (dc.backgroundMode != OPAQUE || width <= 0) return;
  std::string& c = doc.content;
  EndText(doc);
  SetFill(doc, dc.backgroundColor);
  PdfPutInt(c, left);
  c += ' ';
  PdfPutInt(c, baseline - dc.realized.metrics.tmAscent);
  c += ' ';
  PdfPutInt(c, width);
  c += ' ';
  PdfPutInt(c, dc.realized.metrics.tmHeight);
  c += " re f\n";
}

// An underlined font's stroke under a run, in the text's colour.
void DrawUnderline(const DeviceContext& dc, DocumentState& doc, int left, int baseline, int width) {
  if (!dc.font || !dc.font->font.lfUnderline || width <= 0) return;
  std::string& c = doc.content;
  EndText(doc);
  SetFill(doc, dc.textColor);
  PdfPutInt(c, left);
  c += ' ';
  PdfPutInt(c, static_cast<long long>(baseline) + dc.realized.underlineOffset);
  c += ' ';
  PdfPutInt(c, width);
  c += ' ';
  PdfPutInt(c, dc.realized.underlineThickness);
  c += " re f\n";
}

// The Windows-1252 byte of every character up to the last of them (the trade mark sign,
// U+2122); -1 for the others. Made when the program starts.
std::vector<short> MakeByteTable() {
  std::vector<short> table(0x2123, -1);
  for (unsigned byte = 0; byte < 0x100; byte++)
    table[ByteCharacter(static_cast<unsigned char>(byte))] = static_cast<short>(byte);
  return table;
}
const std::vector<short> ByteTable = MakeByteTable();

// The Windows-1252 byte of a character (-1: none), so a character of a wide call that a byte
// could draw is drawn as that byte, in the same font under the same code.
// Every character of a line goes through here: a lookup in a table made beforehand.
inline int ByteOfCharacter(char32_t character) {
  return character < ByteTable.size() ? ByteTable[character] : -1;
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

// Creates the context's document: the PDF's header, written at once.
bool CanvasStartDoc(DeviceContext& dc, int fd) {
  auto* doc = new DocumentState;
  doc->started = time(nullptr);
  if (!PdfBegin(doc->out, fd)) {
    PdfEnd(doc->out);
    delete doc;
    return false;
  }
  doc->pagesObject = PdfNewObject(doc->out);
  doc->pageWidth = dc.pageWidthPoints;
  doc->pageHeight = dc.pageHeightPoints;
  // Device pixels to points, y downwards from the printable area's top-left corner.
  std::string& start = doc->pageStart;
  const double scale = 72.0 / dc.dpiX;
  PdfPutNumber(start, scale);
  start += " 0 0 ";
  PdfPutNumber(start, -72.0 / dc.dpiY);
  start += ' ';
  PdfPutNumber(start, dc.offsetX * scale);
  start += ' ';
  PdfPutNumber(start, dc.pageHeightPoints - dc.offsetY * 72.0 / dc.dpiY);
  start += " cm\n";
  dc.document = doc;
  return true;
}

// Starts a page: its operators begin with its first drawing.
int CanvasStartPage(DeviceContext& dc) {
  return dc.document ? 1 : 0;
}

// Ends a page: written into the document, blank or not.
int CanvasEndPage(DeviceContext& dc) {
  if (!dc.document) return 0;
  WritePage(*dc.document);
  return dc.document->out.failed ? 0 : 1;
}

// Completes the PDF: a page drawn and not ended (or the one blank page of a document without
// any), the fonts, the page tree, the catalogue and the document's information.
bool CanvasFinish(DeviceContext& dc, std::string& pdf) {
  DocumentState* doc = dc.document;
  if (!doc) return false;
  if (doc->drawn || doc->pages.empty()) WritePage(*doc);
  PdfOutput& out = doc->out;
  PdfWriteFonts(doc->fonts, out);
  PdfOpenObject(out, doc->pagesObject);
  out.buffer += "<< /Type /Pages /Kids [";
  for (size_t i = 0; i < doc->pages.size(); i++) {
    if (i) out.buffer += ' ';
    PdfPutInt(out.buffer, doc->pages[i]);
    out.buffer += " 0 R";
  }
  out.buffer += "] /Count ";
  PdfPutInt(out.buffer, static_cast<long long>(doc->pages.size()));
  out.buffer += " >>";
  PdfCloseObject(out);
  const int catalog = PdfNewObject(out);
  PdfOpenObject(out, catalog);
  out.buffer += "<< /Type /Catalog /Pages ";
  PdfPutInt(out.buffer, doc->pagesObject);
  out.buffer += " 0 R >>";
  PdfCloseObject(out);
  const int info = WriteInfo(*doc, dc.documentName);
  const bool good = PdfFinish(out, catalog, info);
  if (out.fd >= 0) return good && PdfSize(out) > 0;
  pdf = std::move(out.buffer);
  out.buffer.clear();
  return good && !pdf.empty();
}

// Frees the document and what was drawn.
void CanvasDiscard(DeviceContext& dc) {
  DocumentState* doc = dc.document;
  if (!doc) return;
  PdfReleaseFonts(doc->fonts);
  PdfEnd(doc->out);
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
  return dc.document ? dc.document->out.writeError : 0;
}

// Draws a picture's pixels scaled into its rectangle of the page: an RGB image of the
// picture's own size, compressed, placed by the page's matrix.
bool CanvasDrawBitmap(DeviceContext& dc, const PageBitmap& bitmap) {
  DocumentState* doc = dc.document;
  if (!doc || doc->out.failed) return false;
  const int width = bitmap.sourceWidth;
  const int height = bitmap.sourceHeight;
  if (width <= 0 || height <= 0) return false;
  std::string& rgb = doc->rgb;
  rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  size_t at = 0;
  for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); i++) {
    const uint32_t pixel = bitmap.pixels[i];
    rgb[at++] = static_cast<char>((pixel >> 16) & 0xFF);
    rgb[at++] = static_cast<char>((pixel >> 8) & 0xFF);
    rgb[at++] = static_cast<char>(pixel & 0xFF);
  }
  PdfOutput& out = doc->out;
  const int image = PdfNewObject(out);
  std::string extra = "/Type /XObject /Subtype /Image /Width ";
  PdfPutInt(extra, width);
  extra += " /Height ";
  PdfPutInt(extra, height);
  extra += " /ColorSpace /DeviceRGB /BitsPerComponent 8";
  // A picture drawn larger than its pixels is smoothed between them by the viewer or printer.
  extra += " /Interpolate true";
  PdfWriteStream(out, image, extra, rgb);
  BeginDrawing(*doc);
  EndText(*doc);
  std::string& c = doc->content;
  c += "q ";
  PdfPutInt(c, bitmap.width);
  c += " 0 0 ";
  PdfPutInt(c, -bitmap.height);
  c += ' ';
  PdfPutInt(c, bitmap.x);
  c += ' ';
  PdfPutInt(c, static_cast<long long>(bitmap.y) + bitmap.height);
  c += " cm /Im";
  PdfPutInt(c, image);
  c += " Do Q\n";
  doc->pageImages.push_back(image);
  return !out.failed;
}

// Draws a text run: the bytes' glyphs at the positions their integer advances give, so the
// drawn width is the measured width. An opaque background is a box of the background colour
// behind the run, above whatever was drawn before it.
int CanvasDrawText(DeviceContext& dc, int x, int y, const std::string& text) {
  DocumentState* doc = dc.document;
  if (!doc || doc->out.failed) return 0;
  const ByteDrawing* drawing = DrawingOfFont(dc, *doc);
  if (!drawing) return 0;
  const ByteDrawing& b = *drawing;
  const int width = TextRunWidth(dc, text);
  const int left = TextRunLeft(dc, x, width);
  const int baseline = TextRunBaseline(dc, y);
  BeginDrawing(*doc);
  DrawBackground(dc, *doc, left, baseline, width);
  if (text.empty()) return 1;
  SetFill(*doc, dc.textColor);
  size_t first = 0;
  const PdfFont* font = nullptr;
  for (size_t i = 0; i < text.size(); i++) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const PdfFont* byteFont = FontOfByte(dc, *doc, byte);
    if (byteFont != font) {
      if (font) ShowTextPiece(*doc, b, text, first, i, true);
      SelectTextFont(*doc, b, byteFont);
      if (!font) PlaceText(*doc, b, left, baseline);
      font = byteFont;
      first = i;
    }
  }
  ShowTextPiece(*doc, b, text, first, text.size(), false);
  DrawUnderline(dc, *doc, left, baseline, width);
  return 1;
}

// Draws a run of characters as CanvasDrawText draws bytes. The characters of Windows-1252
// are drawn as their bytes (the same fonts and codes as byte text), a character the font has
// no glyph for as a byte without a character is, the others in the face's font of glyphs
// beyond Windows-1252.
int CanvasDrawCharacters(DeviceContext& dc, int x, int y, const std::u32string& text) {
  std::string bytes(text.size(), '\0');
  bool allBytes = true;
  // The table and the ends held in locals: the bytes written could be anything to the
  // compiler, which would read them again after every byte.
  const short* table = ByteTable.data();
  const size_t tableSize = ByteTable.size();
  const char32_t* in = text.data();
  char* out = bytes.data();
  for (size_t i = 0, count = text.size(); i < count && allBytes; i++) {
    const int byte = in[i] < tableSize ? table[in[i]] : -1;
    allBytes = byte >= 0;
    out[i] = static_cast<char>(byte);
  }
  if (allBytes) return CanvasDrawText(dc, x, y, bytes);

  DocumentState* doc = dc.document;
  if (!doc || doc->out.failed) return 0;
  const ByteDrawing* drawing = DrawingOfFont(dc, *doc);
  if (!drawing) return 0;
  const ByteDrawing& b = *drawing;
  const double size = dc.realized.emHeight * dc.realized.widthScale;
  // A byte without a character (81h) draws the missing glyph when the font has none there.
  const bool missingByte = dc.realized.glyphs[0x81] == 0;
  std::vector<PlacedCode> run(text.size());
  long long runWidth = 0;
  for (size_t i = 0; i < text.size(); i++) {
    const CharacterGlyph glyph = CatalogCharacterGlyph(dc.realized, text[i]);
    runWidth += glyph.advance;
    int byte = ByteOfCharacter(text[i]);
    if (byte < 0 && glyph.glyph == 0 && missingByte) byte = 0x81;
    PlacedCode& placed = run[i];
    if (byte >= 0) {
      placed.font = FontOfByte(dc, *doc, static_cast<unsigned char>(byte));
      placed.code = static_cast<unsigned>(byte);
      placed.correction = b.correction[static_cast<unsigned char>(byte)];
      continue;
    }
    unsigned code = 0;
    placed.font = &PdfWideFontFor(doc->fonts, doc->out, b.pdfFace, glyph.glyph, text[i], code);
    placed.code = code;
    const double own = PdfDesignAdvance(doc->fonts, b.pdfFace, glyph.glyph);
    const double correction = size > 0 ? 1000.0 * (own - glyph.advance / size) : 0;
    placed.correction = std::fabs(correction) < 0.00005 ? 0 : correction;
  }
  const int width = static_cast<int>(std::min<long long>(runWidth, INT32_MAX));
  const int left = TextRunLeft(dc, x, width);
  const int baseline = TextRunBaseline(dc, y);
  BeginDrawing(*doc);
  DrawBackground(dc, *doc, left, baseline, width);
  SetFill(*doc, dc.textColor);
  size_t first = 0;
  for (size_t i = 1; i <= run.size(); i++) {
    if (i < run.size() && run[i].font == run[first].font) continue;
    SelectTextFont(*doc, b, run[first].font);
    if (first == 0) PlaceText(*doc, b, left, baseline);
    ShowCodes(*doc, run, first, i, i < run.size());
    first = i;
  }
  DrawUnderline(dc, *doc, left, baseline, width);
  return 1;
}
