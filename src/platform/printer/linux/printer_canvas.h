// PDF drawing shared by the CUPS printers and "Print to PDF": page geometry, the PDF
// document of a context and the fontconfig/FreeType fonts drawn on it.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <ctime>
#include <string>
#include <vector>

#include "platform/printer/linux/printer_internal.h"

// A sheet and its unprintable margins in hundredths of millimetres, portrait.
struct MediaSize {
  int width = 21000;  // A4
  int length = 29700;
  int left = 635;
  int right = 635;
  int top = 635;
  int bottom = 635;
};

// Sets the context's geometry in device pixels from the sheet, the orientation in
// dc.settings and the resolution; landscape turns the sheet and its margins. The pixels are
// square: the finer resolution serves both directions.
void SetPageGeometry(DeviceContext& dc, const MediaSize& media, int dpiX, int dpiY);

// The open document of a context: the PDF being written, the PDF bytes written so far
// and, for a CUPS printer, the spooler's job.
struct DocumentState;

// Creates dc.document with an empty PDF; false when it cannot be started. With a file descriptor
// the PDF is written to that file as it is made (the caller owns the descriptor); without one its
// bytes are kept until CanvasFinish hands them out.
bool CanvasStartDoc(DeviceContext& dc, int fd = -1);
// Pages of the PDF.
int CanvasStartPage(DeviceContext& dc);
int CanvasEndPage(DeviceContext& dc);
// Completes the PDF; false when a write failed. The bytes go to pdf, or for a
// document written to a file, the last of them to the file (not yet synced).
bool CanvasFinish(DeviceContext& dc, std::string& pdf);
// Frees dc.document and everything drawn.
void CanvasDiscard(DeviceContext& dc);
// When the document was started.
time_t CanvasStartTime(const DeviceContext& dc);
// The CUPS job of the document (0 none).
int& CanvasJobId(DeviceContext& dc);
// The errno of the write that failed the document's file (a full disk, say); 0 when none did.
int CanvasWriteError(const DeviceContext& dc);
// Draws a picture scaled into its rectangle of the page, above the text drawn before it;
// false when it could not be drawn.
bool CanvasDrawBitmap(DeviceContext& dc, const PageBitmap& bitmap);
// Draws a text run with the selected font, alignment, colour and background mode.
int CanvasDrawText(DeviceContext& dc, int x, int y, const std::string& text);

// Draws Unicode characters as CanvasDrawText draws bytes: those of Windows-1252 under their
// bytes' codes, the others in the face's composite font. With the font's underline (both
// calls), a stroke under the run.
int CanvasDrawCharacters(DeviceContext& dc, int x, int y, const std::u32string& text);

// A character's glyph in a realized font (0: the missing glyph) and its advance in pixels.
struct CharacterGlyph {
  unsigned glyph = 0;
  int advance = 0;
};
CharacterGlyph CatalogCharacterGlyph(const RealizedFont& font, char32_t character);
// Advances of characters in the context's realized font.
void CatalogCharacterAdvances(DeviceContext& dc, const char32_t* characters, size_t count,
                              int* widths);

// Font families of fontconfig, each once, sorted by name.
bool CatalogListFaces(DeviceContext& dc, std::vector<std::string>& faces);
// Matches a font description with fontconfig and measures it with FreeType at the
// context's resolution.
bool CatalogRealizeFont(DeviceContext& dc, const LOGFONTA& font, RealizedFont& out);
void CatalogReleaseFont(RealizedFont& font);
// The FreeType face of a realized font (owned by the font), with its file and its index
// there; null when the font has none.
FT_Face CatalogFontFace(const RealizedFont& font, const std::string** file, int* index);

// Windows-1252 byte to Unicode; 0 for the bytes that have no character there.
unsigned Cp1252ToUnicode(unsigned char byte);
// Windows-1252 text as UTF-8 (bytes without a character become U+FFFD).
std::string Cp1252ToUtf8(const std::string& text);
