// The fonts of a PDF document: which glyphs of which faces the pages draw, under which codes,
// and, when the document is complete, the font objects that draw them.
//
// Every face gets a simple font whose codes are Windows-1252 bytes: embedded as a TrueType
// subset (HarfBuzz) with WinAnsi encoding when the face has TrueType outlines, else drawn from
// the face's outlines as a Type 3 font. The glyphs a face has no character for (the missing
// glyph) go into a second font of outlines under the same codes: a TrueType font with WinAnsi
// encoding cannot give them codes of their own. Both kinds keep each byte's code, so the
// content of a page does not depend on which kind a font becomes.
//
// Characters beyond Windows-1252 (box drawing, Cyrillic, Greek...) go into a third font of
// the face: a composite font (Type 0, Identity-H) whose two-byte codes are the face's glyph
// numbers, embedded as a TrueType subset that keeps every glyph at its number. A face without
// TrueType outlines draws them from outlines instead, in Type 3 fonts of 256 codes each.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/printer/linux/pdf_output.h"

// One glyph to draw: the face's glyph, the character it stands for (0: none) and the code it
// is drawn under in its font.
struct PdfGlyph {
  unsigned glyph = 0;
  char32_t character = 0;
  unsigned char code = 0;
};

// One PDF font: the codes it draws and the glyph and character of each.
struct PdfFont {
  int object = 0;                      // the font dictionary's object number
  std::string resource;                // its name in the pages' resources ("F1")
  std::array<int, 256> glyphOfCode{};  // -1: code unused
  std::array<char32_t, 256> characterOfCode{};
  // The composite font: the character of each glyph drawn, by glyph number (its code).
  bool composite = false;
  std::map<unsigned, char32_t> characterOfGlyph;
};

// One face drawn in the document (a font file and the face's index in it).
struct PdfFace {
  std::string file;
  int index = 0;
  FT_Face face = nullptr;        // a reference of its own, let go with the document
  PdfFont text;                  // the face's glyphs with a character
  PdfFont missing;               // the glyphs without one, from their outlines
  PdfFont composite;             // glyphs of characters beyond Windows-1252
  int trueType = -1;             // 1: TrueType outlines a composite font can take
  std::deque<PdfFont> outlines;  // else their glyphs from outlines, 256 codes a font
  // The outline font (its place in outlines) and code of each glyph and character drawn there.
  std::map<std::pair<unsigned, char32_t>, std::pair<size_t, int>> outlineCode;
  std::vector<double> designAdvance;  // advance of each glyph in ems (-1: not yet read)
};

struct PdfFonts {
  std::deque<PdfFace> faces;  // a face's fonts stay where they are as faces are added
  int nextResource = 1;
};

// The face of a font file in the document, added on first use (face is referenced).
int PdfFaceOf(PdfFonts& fonts, PdfOutput& out, FT_Face face, const std::string& file, int index);
// The font a glyph is drawn in, with the glyph's code recorded in it.
PdfFont& PdfFontFor(PdfFonts& fonts, PdfOutput& out, int face, const PdfGlyph& glyph);
// The font that draws a glyph of a character beyond Windows-1252, with the glyph recorded in
// it, and the glyph's code there: two bytes in the composite font (font.composite), else one.
PdfFont& PdfWideFontFor(PdfFonts& fonts, PdfOutput& out, int face, unsigned glyph,
                        char32_t character, unsigned& code);
// A glyph's own advance in ems.
double PdfDesignAdvance(PdfFonts& fonts, int face, unsigned glyph);
// Writes every font used; false when one could not be written.
bool PdfWriteFonts(PdfFonts& fonts, PdfOutput& out);
// Lets go of the faces.
void PdfReleaseFonts(PdfFonts& fonts);
