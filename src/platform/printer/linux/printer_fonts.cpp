// Printer fonts: fontconfig's families and matching, FreeType metrics and faces.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/printer/linux/printer_canvas.h"

namespace {

// The FreeType library of the process, made on first use.
FT_Library FreeType = nullptr;

// The font data behind a realized font: the FreeType face and the file it was read from.
struct FontEngine {
  FT_Face face = nullptr;
  std::string file;
  int index = 0;
  bool symbolFont = false;
  double stretch = 1.0;  // the glyphs' stretch across (lfWidth)
  // Glyph and advance of each character met so far: a document's few hundred characters are
  // looked up in FreeType once each, not on every line.
  std::unordered_map<char32_t, CharacterGlyph> characters;
};

// Windows-1252 characters of the bytes 80h-9Fh (0: none).
const unsigned short Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Starts fontconfig and FreeType once.
bool StartFonts() {
  if (!FcInit()) return false;
  if (!FreeType && FT_Init_FreeType(&FreeType) != 0) {
    FreeType = nullptr;
    return false;
  }
  return true;
}

// Design units scaled to device pixels at an em size, rounded to nearest.
int Scale(long units, int em, int unitsPerEm) {
  return static_cast<int>(std::lround(static_cast<double>(units) * em / unitsPerEm));
}

// Ascent, descent and line gap in design units, as the Windows metrics take them: the
// OS/2 table's Windows ascent and descent, the hhea line gap beyond them.
void DesignMetrics(FT_Face face, long& ascent, long& descent, long& gap) {
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
    if (hhea)
      gap = hhea->Line_Gap - ((ascent + descent) - (hhea->Ascender - hhea->Descender));
    else
      gap = os2->sTypoLineGap;
  } else {
    ascent = face->ascender;
    descent = -face->descender;
    gap = face->height - (ascent + descent);
  }
  gap = std::max(0L, gap);
  if (ascent + descent <= 0) {
    ascent = face->units_per_EM;
    descent = 0;
  }
}

// The glyph of a character in the font: 0 (the missing glyph) for a control character or
// one the font lacks; a symbol font has its characters at F000h + the byte.
unsigned GlyphOfCharacter(FT_Face face, bool symbolFont, char32_t character) {
  if (symbolFont)
    return character >= 0x20 && character < 0x100 ? FT_Get_Char_Index(face, 0xF000u + character)
                                                  : 0;
  return IsControlCharacter(character) ? 0 : FT_Get_Char_Index(face, character);
}

// The glyph of a byte: its Windows-1252 character in the font, else the missing glyph.
unsigned GlyphOfByte(FT_Face face, bool symbolFont, unsigned char byte) {
  if (symbolFont) return byte >= 0x20 ? FT_Get_Char_Index(face, 0xF000u + byte) : 0;
  const unsigned character = Cp1252ToUnicode(byte);
  return character ? FT_Get_Char_Index(face, character) : 0;
}

// The full family name whose first 31 bytes a cut face name holds (the name as given else).
std::string FullFamilyName(const std::string& face) {
  if (face.size() < sizeof(LOGFONTA{}.lfFaceName) - 1) return face;
  DeviceContext none;
  std::vector<std::string> families;
  CatalogListFaces(none, families);
  for (const std::string& family : families)
    if (family.size() > face.size() && family.compare(0, face.size(), face) == 0) return family;
  return face;
}

// fontconfig's best match for a description: its file, face index and family.
bool MatchFont(const LOGFONTA& font, int pixelSize, std::string& file, int& index,
               std::string& family) {
  const std::string face = FullFamilyName(
      std::string(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName)));
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  if (!face.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  if (font.lfWeight > 0)
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(font.lfWeight));
  if (font.lfItalic) FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  if (pixelSize > 0) FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  FcChar8* name = nullptr;
  int faceIndex = 0;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
  if (found) {
    file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
    index = faceIndex;
    family = FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch
                 ? reinterpret_cast<const char*>(name)
                 : "";
  }
  FcPatternDestroy(match);
  return found;
}

// Design units across the line scaled to device pixels: at an em size, stretched.
int ScaleAcross(long units, int em, int unitsPerEm, double stretch) {
  return static_cast<int>(std::lround(static_cast<double>(units) * em * stretch / unitsPerEm));
}

// Fills the metrics and the byte table of a face at an em size in device pixels, its
// glyphs stretched across by a factor (1: as designed).
void MeasureFace(FT_Face face, int em, double stretch, RealizedFont& out) {
  const int unitsPerEm = face->units_per_EM;
  long ascent = 0, descent = 0, gap = 0;
  DesignMetrics(face, ascent, descent, gap);
  TEXTMETRICA& tm = out.metrics;
  tm.tmAscent = Scale(ascent, em, unitsPerEm);
  tm.tmDescent = Scale(descent, em, unitsPerEm);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
  tm.tmExternalLeading = Scale(gap, em, unitsPerEm);

  bool symbolFont = false;
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
    symbolFont = FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
  int widest = 0;
  FT_Fixed pitch = 0;      // the design advance shared by every glyph of a byte
  bool fixedPitch = true;  // until two glyphs differ
  for (int byte = 0; byte < 256; byte++) {
    const unsigned glyph = GlyphOfByte(face, symbolFont, static_cast<unsigned char>(byte));
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING, &advance) != 0)
      advance = 0;
    out.glyphs[byte] = glyph;
    out.advances[byte] = ScaleAcross(advance, em, unitsPerEm, stretch);
    widest = std::max(widest, out.advances[byte]);
    if (glyph == 0) continue;  // the missing glyph is drawn by its own face
    if (pitch == 0)
      pitch = advance;
    else if (advance != pitch)
      fixedPitch = false;
  }
  // A fixed-pitch face is drawn stretched by the rounding of its advance to whole pixels
  // (83 pixels em: 49.97 becomes 50), so its own advance is the advance the text is measured
  // and placed with.
  out.widthScale = stretch;
  if (fixedPitch && pitch > 0 && ScaleAcross(pitch, em, unitsPerEm, stretch) > 0)
    out.widthScale = ScaleAcross(pitch, em, unitsPerEm, stretch) /
                     (static_cast<double>(pitch) * em / unitsPerEm);
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  tm.tmAveCharWidth = os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0
                          ? ScaleAcross(os2->xAvgCharWidth, em, unitsPerEm, stretch)
                          : out.advances['x'];
  tm.tmMaxCharWidth =
      std::max(widest, ScaleAcross(face->max_advance_width, em, unitsPerEm, stretch));
}

// The em size of a description: a negative height is the em itself, a positive one the
// cell (ascent + descent), 0 twelve points at the context's resolution.
int EmSize(FT_Face face, int height, int dpiY) {
  if (height < 0) return -height;
  if (height == 0) return std::max(1, static_cast<int>(std::lround(12.0 * dpiY / 72.0)));
  long ascent = 0, descent = 0, gap = 0;
  DesignMetrics(face, ascent, descent, gap);
  const double em =
      static_cast<double>(height) * face->units_per_EM / static_cast<double>(ascent + descent);
  return std::max(1, static_cast<int>(std::lround(em)));
}

}  // namespace

// Windows-1252 byte to Unicode; 0 for control bytes and the five bytes without a character.
unsigned Cp1252ToUnicode(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) return 0;
  if (byte >= 0x80 && byte < 0xA0) return Cp1252High[byte - 0x80];
  return byte;
}

// Windows-1252 text as UTF-8; bytes without a character become U+FFFD.
std::string Cp1252ToUtf8(const std::string& text) {
  std::string utf8;
  for (const char character : text) {
    const auto byte = static_cast<unsigned char>(character);
    unsigned c = Cp1252ToUnicode(byte);
    if (!c) c = byte < 0x20 || byte == 0x7F ? byte : 0xFFFD;
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

// Font families of fontconfig, each once by its first name, sorted by name.
bool CatalogListFaces(DeviceContext&, std::vector<std::string>& faces) {
  if (!StartFonts()) return false;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
  std::set<std::string> families;
  for (int i = 0; fonts && i < fonts->nfont; i++) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && *family)
      families.insert(reinterpret_cast<const char*>(family));
  }
  if (fonts) FcFontSetDestroy(fonts);
  if (objects) FcObjectSetDestroy(objects);
  if (pattern) FcPatternDestroy(pattern);
  std::vector<std::string> sorted(families.begin(), families.end());
  std::stable_sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  faces.insert(faces.end(), sorted.begin(), sorted.end());
  return true;
}

// Matches a font description and measures it in device pixels of the context.
bool CatalogRealizeFont(DeviceContext& dc, const LOGFONTA& font, RealizedFont& out) {
  if (!StartFonts()) return false;
  const int requestedEm = font.lfHeight < 0 ? -font.lfHeight : 0;
  std::string file, family;
  int index = 0;
  if (!MatchFont(font, requestedEm, file, index, family)) return false;
  FT_Face face = nullptr;
  if (FT_New_Face(FreeType, file.c_str(), index, &face) != 0) return false;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    FT_Done_Face(face);
    return false;
  }
  out = RealizedFont();
  out.face = family;
  out.emHeight = EmSize(face, font.lfHeight, dc.dpiY);
  MeasureFace(face, out.emHeight, 1.0, out);
  // A width asked for (lfWidth, the average character width) stretches the glyphs across:
  // DOS printer text's double width and condensed print.
  double stretch = 1.0;
  if (font.lfWidth > 0 && out.metrics.tmAveCharWidth > 0) {
    stretch = static_cast<double>(font.lfWidth) / out.metrics.tmAveCharWidth;
    MeasureFace(face, out.emHeight, stretch, out);
  }
  out.underlineOffset =
      std::max(0, Scale(-face->underline_position, out.emHeight, face->units_per_EM) -
                      Scale(face->underline_thickness, out.emHeight, face->units_per_EM) / 2);
  out.underlineThickness =
      std::max(1, Scale(face->underline_thickness, out.emHeight, face->units_per_EM));
  auto* engine = new FontEngine;
  engine->face = face;
  engine->file = file;
  engine->index = index;
  engine->stretch = stretch;
  engine->symbolFont = face->charmap && face->charmap->encoding == FT_ENCODING_MS_SYMBOL;
  // The bytes' characters are known already: the same glyphs and advances, so text drawn
  // through either call comes out the same.
  for (int byte = 0; byte < 256; byte++)
    engine->characters[ByteCharacter(static_cast<unsigned char>(byte))] =
        CharacterGlyph{out.glyphs[byte], out.advances[byte]};
  out.engine = engine;
  return true;
}

// Frees a realized font and its face (a document drawing the face holds a reference of its
// own).
void CatalogReleaseFont(RealizedFont& font) {
  auto* engine = static_cast<FontEngine*>(font.engine);
  if (!engine) return;
  FT_Done_Face(engine->face);
  delete engine;
  font.engine = nullptr;
}

// The glyph and advance of a character, from the font's table of characters met so far.
CharacterGlyph CatalogCharacterGlyph(const RealizedFont& font, char32_t character) {
  auto* engine = static_cast<FontEngine*>(font.engine);
  if (!engine) return CharacterGlyph{};
  auto known = engine->characters.find(character);
  if (known != engine->characters.end()) return known->second;
  FT_Face face = engine->face;
  CharacterGlyph found;
  found.glyph = GlyphOfCharacter(face, engine->symbolFont, character);
  FT_Fixed advance = 0;
  if (FT_Get_Advance(face, found.glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING, &advance) != 0)
    advance = 0;
  found.advance = ScaleAcross(advance, font.emHeight, face->units_per_EM, engine->stretch);
  engine->characters.emplace(character, found);
  return found;
}

// Advances of characters in the realized font (the real printers' characterAdvances).
void CatalogCharacterAdvances(DeviceContext& dc, const char32_t* characters, size_t count,
                              int* widths) {
  for (size_t index = 0; index < count; index++)
    widths[index] = CatalogCharacterGlyph(dc.realized, characters[index]).advance;
}

// The FreeType face of a realized font and the file it was read from.
FT_Face CatalogFontFace(const RealizedFont& font, const std::string** file, int* index) {
  auto* engine = static_cast<FontEngine*>(font.engine);
  if (!engine) return nullptr;
  *file = &engine->file;
  *index = engine->index;
  return engine->face;
}
