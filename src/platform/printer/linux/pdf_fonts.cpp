// The fonts of a PDF document: TrueType subsets with WinAnsi encoding, and Type 3 fonts of
// outlines for the missing glyph and for faces a subset cannot be made of.
#include "platform/printer/linux/pdf_fonts.h"

#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Object number and resource name of a font, on its first glyph.
void OpenFont(PdfFonts& fonts, PdfOutput& out, PdfFont& font) {
  if (font.object) return;
  font.object = PdfNewObject(out);
  font.resource = 'F';
  PdfPutInt(font.resource, fonts.nextResource++);
  font.glyphOfCode.fill(-1);
  font.characterOfCode.fill(0);
}

// A number of design units scaled to a thousandth of an em, as font descriptors take them.
double PerMille(long units, const FT_Face face) {
  return static_cast<double>(units) * 1000.0 / face->units_per_EM;
}

// A PDF name of the face's PostScript name: only the characters a name may hold unescaped.
std::string FontName(FT_Face face) {
  const char* postscript = FT_Get_Postscript_Name(face);
  std::string name = postscript ? postscript : (face->family_name ? face->family_name : "Font");
  for (char& c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
          c == '_' || c == '.'))
      c = '_';
  return name.empty() ? "Font" : name;
}

// Six capitals naming a subset: drawn from the glyphs it holds, so another subset of the
// face in another document has its own name.
std::string SubsetTag(const PdfFont& font, const std::string& name) {
  unsigned long long hash = 1469598103934665603ull;
  auto mix = [&hash](unsigned long long value) {
    hash ^= value;
    hash *= 1099511628211ull;
  };
  for (const char c : name) mix(static_cast<unsigned char>(c));
  if (font.composite) {
    for (const auto& [glyph, character] : font.characterOfGlyph) mix(glyph + 1ull);
  } else {
    for (const int glyph : font.glyphOfCode) mix(static_cast<unsigned long long>(glyph) + 1);
  }
  std::string tag(6, 'A');
  for (char& c : tag) {
    c = static_cast<char>('A' + hash % 26);
    hash /= 26;
  }
  return tag;
}

// The first and last code a font uses.
void CodeRange(const PdfFont& font, int& first, int& last) {
  first = 256;
  last = -1;
  for (int code = 0; code < 256; code++)
    if (font.glyphOfCode[static_cast<size_t>(code)] >= 0) {
      first = std::min(first, code);
      last = code;
    }
}

// /FirstChar, /LastChar and /Widths of the codes used, in the given unit per em.
void PutWidths(std::string& to, PdfFonts& fonts, int face, const PdfFont& font, double perEm) {
  int first = 0, last = 0;
  CodeRange(font, first, last);
  to += " /FirstChar ";
  PdfPutInt(to, first);
  to += " /LastChar ";
  PdfPutInt(to, last);
  to += " /Widths [";
  for (int code = first; code <= last; code++) {
    const int glyph = font.glyphOfCode[static_cast<size_t>(code)];
    const double width =
        glyph < 0 ? 0 : PdfDesignAdvance(fonts, face, static_cast<unsigned>(glyph)) * perEm;
    PdfPutNumber(to, width);
    to += code == last ? "]" : " ";
  }
}

// The map from codes to characters that lets text be copied and searched.
int WriteToUnicode(PdfOutput& out, const PdfFont& font) {
  std::string entries;
  int count = 0;
  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
  auto flush = [&] {
    if (!count) return;
    PdfPutInt(cmap, count);
    cmap += " beginbfchar\n" + entries + "endbfchar\n";
    entries.clear();
    count = 0;
  };
  for (int code = 0; code < 256; code++) {
    if (font.glyphOfCode[static_cast<size_t>(code)] < 0) continue;
    // A byte without a character (a control byte) copies as the replacement character.
    char32_t character = font.characterOfCode[static_cast<size_t>(code)];
    if (!character) character = 0xFFFD;
    char line[40];
    if (character < 0x10000)
      snprintf(line, sizeof line, "<%02X> <%04X>\n", static_cast<unsigned>(code),
               static_cast<unsigned>(character));
    else
      snprintf(line, sizeof line, "<%02X> <%04X%04X>\n", static_cast<unsigned>(code),
               static_cast<unsigned>(0xD800 + ((character - 0x10000) >> 10)),
               static_cast<unsigned>(0xDC00 + ((character - 0x10000) & 0x3FF)));
    entries += line;
    if (++count == 100) flush();
  }
  flush();
  cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  const int object = PdfNewObject(out);
  PdfWriteStream(out, object, "", cmap);
  return object;
}

// True for a face of TrueType outlines with a Unicode character map: the faces HarfBuzz
// subsets.
bool HasTrueTypeOutlines(const PdfFace& face) {
  FT_ULong length = 0;
  return FT_IS_SFNT(face.face) && face.face->charmap &&
         face.face->charmap->encoding == FT_ENCODING_UNICODE &&
         FT_Load_Sfnt_Table(face.face, TTAG_glyf, 0, nullptr, &length) == 0 && length > 0;
}

// The face as a TrueType subset of the given glyphs and characters, with HarfBuzz's flags;
// empty when the face has no TrueType outlines or HarfBuzz cannot subset it.
std::string SubsetFace(const PdfFace& face, const std::vector<unsigned>& glyphList,
                       const std::vector<char32_t>& characterList, unsigned flags) {
  if (!HasTrueTypeOutlines(face)) return "";
  hb_blob_t* blob = hb_blob_create_from_file_or_fail(face.file.c_str());
  if (!blob) return "";
  hb_face_t* whole = hb_face_create(blob, static_cast<unsigned>(face.index));
  hb_blob_destroy(blob);
  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  std::string bytes;
  if (input) {
    hb_set_t* characters = hb_subset_input_unicode_set(input);
    hb_set_t* glyphs = hb_subset_input_glyph_set(input);
    hb_set_add(glyphs, 0);
    for (const unsigned glyph : glyphList) hb_set_add(glyphs, glyph);
    for (const char32_t character : characterList) hb_set_add(characters, character);
    // A PDF draws glyph by glyph: the shaping tables only make the file bigger.
    hb_set_clear(hb_subset_input_set(input, HB_SUBSET_SETS_LAYOUT_FEATURE_TAG));
    hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* tag : {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH", "kern", "morx", "DSIG",
                            "vhea", "vmtx", "VORG", "hdmx", "LTSH", "VDMX"})
      hb_set_add(drop, hb_tag_from_string(tag, 4));
    hb_subset_input_set_flags(input, flags);
    if (hb_face_t* subset = hb_subset_or_fail(whole, input)) {
      hb_blob_t* result = hb_face_reference_blob(subset);
      unsigned size = 0;
      const char* data = hb_blob_get_data(result, &size);
      if (data && size) bytes.assign(data, size);
      hb_blob_destroy(result);
      hb_face_destroy(subset);
    }
    hb_subset_input_destroy(input);
  }
  hb_face_destroy(whole);
  return bytes;
}

// The face as a TrueType subset of the glyphs a simple font uses.
std::string TrueTypeSubset(const PdfFace& face, const PdfFont& font) {
  std::vector<unsigned> glyphs;
  std::vector<char32_t> characters;
  for (int code = 0; code < 256; code++) {
    const int glyph = font.glyphOfCode[static_cast<size_t>(code)];
    if (glyph < 0) continue;
    glyphs.push_back(static_cast<unsigned>(glyph));
    characters.push_back(font.characterOfCode[static_cast<size_t>(code)]);
    // WinAnsi names the no-break space "space" and the soft hyphen "hyphen": a viewer finds
    // those two codes' glyphs through the plain space and hyphen, which must be there.
    if (code == 0xA0) characters.push_back(0x20);
    if (code == 0xAD) characters.push_back(0x2D);
  }
  return SubsetFace(face, glyphs, characters, HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
}

// The font descriptor of a face: its name, kind, box and vertical metrics, and the embedded
// font file.
int WriteDescriptor(PdfOutput& out, FT_Face ft, const std::string& baseName, int file,
                    bool symbolic = false) {
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(ft, FT_SFNT_POST));
  const double italicAngle = post ? static_cast<double>(post->italicAngle) / 65536.0 : 0.0;
  const long capHeight =
      os2 && os2->version >= 2 && os2->sCapHeight > 0 ? os2->sCapHeight : ft->ascender;
  // Non-symbolic: codes are characters of the standard Latin set; a composite font's codes
  // are glyph numbers.
  int flags = symbolic ? 4 : 32;
  if (FT_IS_FIXED_WIDTH(ft)) flags |= 1;
  if (ft->style_flags & FT_STYLE_FLAG_ITALIC) flags |= 64;

  const int descriptor = PdfNewObject(out);
  std::string& d = out.buffer;
  PdfOpenObject(out, descriptor);
  d += "<< /Type /FontDescriptor /FontName /" + baseName + " /Flags ";
  PdfPutInt(d, flags);
  d += " /FontBBox [";
  PdfPutNumber(d, PerMille(ft->bbox.xMin, ft));
  d += ' ';
  PdfPutNumber(d, PerMille(ft->bbox.yMin, ft));
  d += ' ';
  PdfPutNumber(d, PerMille(ft->bbox.xMax, ft));
  d += ' ';
  PdfPutNumber(d, PerMille(ft->bbox.yMax, ft));
  d += "] /ItalicAngle ";
  PdfPutNumber(d, italicAngle);
  d += " /Ascent ";
  PdfPutNumber(d, PerMille(ft->ascender, ft));
  d += " /Descent ";
  PdfPutNumber(d, PerMille(ft->descender, ft));
  d += " /CapHeight ";
  PdfPutNumber(d, PerMille(capHeight, ft));
  d += " /StemV 80 /FontFile2 ";
  PdfPutInt(d, file);
  d += " 0 R >>";
  PdfCloseObject(out);
  return descriptor;
}

// Writes a font as an embedded TrueType subset with WinAnsi encoding; false when the face
// cannot be subset (the caller draws it from outlines instead).
bool WriteTrueTypeFont(PdfFonts& fonts, PdfOutput& out, int faceIndex, const PdfFont& font) {
  PdfFace& face = fonts.faces[static_cast<size_t>(faceIndex)];
  const std::string subset = TrueTypeSubset(face, font);
  if (subset.empty()) return false;
  const FT_Face ft = face.face;
  const int file = PdfNewObject(out);
  std::string extra = "/Length1 ";
  PdfPutInt(extra, static_cast<long long>(subset.size()));
  PdfWriteStream(out, file, extra, subset);

  const std::string baseName = SubsetTag(font, FontName(ft)) + "+" + FontName(ft);
  const int descriptor = WriteDescriptor(out, ft, baseName, file);
  const int toUnicode = WriteToUnicode(out, font);
  PdfOpenObject(out, font.object);
  std::string& f = out.buffer;
  f += "<< /Type /Font /Subtype /TrueType /BaseFont /" + baseName;
  PutWidths(f, fonts, faceIndex, font, 1000.0);
  f += " /Encoding /WinAnsiEncoding /FontDescriptor ";
  PdfPutInt(f, descriptor);
  f += " 0 R /ToUnicode ";
  PdfPutInt(f, toUnicode);
  f += " 0 R >>";
  PdfCloseObject(out);
  return true;
}

// The bytes of a font file; empty when it cannot be read.
std::string WholeFile(const std::string& path) {
  std::string bytes;
  if (FILE* file = fopen(path.c_str(), "rb")) {
    char block[65536];
    size_t got = 0;
    while ((got = fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
    fclose(file);
  }
  return bytes;
}

// The map from a composite font's two-byte codes (glyph numbers) to characters.
int WriteCompositeToUnicode(PdfOutput& out, const PdfFont& font) {
  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  std::string entries;
  int count = 0;
  auto flush = [&] {
    if (!count) return;
    PdfPutInt(cmap, count);
    cmap += " beginbfchar\n" + entries + "endbfchar\n";
    entries.clear();
    count = 0;
  };
  for (const auto& [glyph, character] : font.characterOfGlyph) {
    char line[40];
    if (character < 0x10000)
      snprintf(line, sizeof line, "<%04X> <%04X>\n", glyph, static_cast<unsigned>(character));
    else
      snprintf(line, sizeof line, "<%04X> <%04X%04X>\n", glyph,
               static_cast<unsigned>(0xD800 + ((character - 0x10000) >> 10)),
               static_cast<unsigned>(0xDC00 + ((character - 0x10000) & 0x3FF)));
    entries += line;
    if (++count == 100) flush();
  }
  flush();
  cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  const int object = PdfNewObject(out);
  PdfWriteStream(out, object, "", cmap);
  return object;
}

// Writes a composite font: a TrueType subset that keeps each glyph at its number, so a code
// is its glyph (Identity-H, CIDToGIDMap Identity), with the widths of the glyphs drawn. False
// when the face cannot be subset.
bool WriteCompositeFont(PdfFonts& fonts, PdfOutput& out, int faceIndex, const PdfFont& font) {
  PdfFace& face = fonts.faces[static_cast<size_t>(faceIndex)];
  std::vector<unsigned> glyphs;
  std::vector<char32_t> characters;
  for (const auto& [glyph, character] : font.characterOfGlyph) {
    glyphs.push_back(glyph);
    characters.push_back(character);
  }
  std::string subset = SubsetFace(face, glyphs, characters,
                                  HB_SUBSET_FLAGS_NOTDEF_OUTLINE | HB_SUBSET_FLAGS_RETAIN_GIDS);
  // Glyphs keep their numbers, so the whole font file draws the same when a subset cannot be
  // made of it.
  if (subset.empty()) subset = WholeFile(face.file);
  if (subset.empty()) return false;
  const FT_Face ft = face.face;
  const int file = PdfNewObject(out);
  std::string extra = "/Length1 ";
  PdfPutInt(extra, static_cast<long long>(subset.size()));
  PdfWriteStream(out, file, extra, subset);

  const std::string baseName = SubsetTag(font, FontName(ft)) + "+" + FontName(ft);
  const int descriptor = WriteDescriptor(out, ft, baseName, file, true);
  const int toUnicode = WriteCompositeToUnicode(out, font);
  const int descendant = PdfNewObject(out);
  PdfOpenObject(out, descendant);
  std::string& d = out.buffer;
  d += "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + baseName +
       " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
       " /CIDToGIDMap /Identity /FontDescriptor ";
  PdfPutInt(d, descriptor);
  d += " 0 R /W [";
  // Runs of consecutive glyph numbers, each with its widths in thousandths of an em.
  unsigned previous = 0;
  bool open = false;
  for (const auto& [glyph, character] : font.characterOfGlyph) {
    if (!open || glyph != previous + 1) {
      if (open) d += "] ";
      PdfPutInt(d, glyph);
      d += " [";
      open = true;
    } else {
      d += ' ';
    }
    PdfPutNumber(d, PdfDesignAdvance(fonts, faceIndex, glyph) * 1000.0);
    previous = glyph;
  }
  if (open) d += ']';
  d += "] >>";
  PdfCloseObject(out);

  PdfOpenObject(out, font.object);
  std::string& f = out.buffer;
  f += "<< /Type /Font /Subtype /Type0 /BaseFont /" + baseName +
       " /Encoding /Identity-H /DescendantFonts [";
  PdfPutInt(f, descendant);
  f += " 0 R] /ToUnicode ";
  PdfPutInt(f, toUnicode);
  f += " 0 R >>";
  PdfCloseObject(out);
  return true;
}

// Outline of a glyph as PDF path operators, in design units.
struct PathWriter {
  std::string* path;
  FT_Vector at{};
};

void PutPoint(std::string& to, double x, double y) {
  PdfPutNumber(to, x);
  to += ' ';
  PdfPutNumber(to, y);
  to += ' ';
}

int MoveTo(const FT_Vector* to, void* user) {
  auto* w = static_cast<PathWriter*>(user);
  PutPoint(*w->path, static_cast<double>(to->x), static_cast<double>(to->y));
  *w->path += "m\n";
  w->at = *to;
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  auto* w = static_cast<PathWriter*>(user);
  PutPoint(*w->path, static_cast<double>(to->x), static_cast<double>(to->y));
  *w->path += "l\n";
  w->at = *to;
  return 0;
}

// A quadratic segment as the cubic that draws the same curve.
int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* w = static_cast<PathWriter*>(user);
  const double x0 = static_cast<double>(w->at.x), y0 = static_cast<double>(w->at.y);
  const double cx = static_cast<double>(control->x), cy = static_cast<double>(control->y);
  const double x3 = static_cast<double>(to->x), y3 = static_cast<double>(to->y);
  PutPoint(*w->path, x0 + 2.0 / 3.0 * (cx - x0), y0 + 2.0 / 3.0 * (cy - y0));
  PutPoint(*w->path, x3 + 2.0 / 3.0 * (cx - x3), y3 + 2.0 / 3.0 * (cy - y3));
  PutPoint(*w->path, x3, y3);
  *w->path += "c\n";
  w->at = *to;
  return 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  auto* w = static_cast<PathWriter*>(user);
  PutPoint(*w->path, static_cast<double>(control1->x), static_cast<double>(control1->y));
  PutPoint(*w->path, static_cast<double>(control2->x), static_cast<double>(control2->y));
  PutPoint(*w->path, static_cast<double>(to->x), static_cast<double>(to->y));
  *w->path += "c\n";
  w->at = *to;
  return 0;
}

// The drawing of one glyph for a Type 3 font: its advance, then its outline filled in the
// colour of the text.
std::string GlyphProcedure(PdfFonts& fonts, int faceIndex, unsigned glyph) {
  FT_Face ft = fonts.faces[static_cast<size_t>(faceIndex)].face;
  std::string procedure;
  PdfPutNumber(procedure, PdfDesignAdvance(fonts, faceIndex, glyph) * ft->units_per_EM);
  procedure += " 0 d0\n";
  if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
      ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE || ft->glyph->outline.n_contours == 0)
    return procedure;
  static const FT_Outline_Funcs Funcs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
  PathWriter writer{&procedure};
  if (FT_Outline_Decompose(&ft->glyph->outline, &Funcs, &writer) != 0) return procedure;
  procedure += ft->glyph->outline.flags & FT_OUTLINE_EVEN_ODD_FILL ? "f*\n" : "f\n";
  return procedure;
}

// Writes a font as a Type 3 font drawing each glyph's outline, in design units.
void WriteOutlineFont(PdfFonts& fonts, PdfOutput& out, int faceIndex, const PdfFont& font) {
  const FT_Face ft = fonts.faces[static_cast<size_t>(faceIndex)].face;
  std::vector<std::pair<unsigned, int>> procedures;  // glyph and its drawing's object
  for (const int glyph : font.glyphOfCode) {
    if (glyph < 0) continue;
    const auto g = static_cast<unsigned>(glyph);
    if (std::none_of(procedures.begin(), procedures.end(),
                     [g](const auto& p) { return p.first == g; }))
      procedures.emplace_back(g, 0);
  }
  for (auto& [glyph, object] : procedures) {
    object = PdfNewObject(out);
    PdfWriteStream(out, object, "", GlyphProcedure(fonts, faceIndex, glyph));
  }
  const int toUnicode = WriteToUnicode(out, font);
  PdfOpenObject(out, font.object);
  std::string& f = out.buffer;
  char matrix[64];
  const double unit = 1.0 / ft->units_per_EM;
  snprintf(matrix, sizeof matrix, "[%.10g 0 0 %.10g 0 0]", unit, unit);
  f += "<< /Type /Font /Subtype /Type3 /FontMatrix ";
  f += matrix;
  f += " /FontBBox [";
  PdfPutInt(f, ft->bbox.xMin);
  f += ' ';
  PdfPutInt(f, ft->bbox.yMin);
  f += ' ';
  PdfPutInt(f, ft->bbox.xMax);
  f += ' ';
  PdfPutInt(f, ft->bbox.yMax);
  f += ']';
  f += " /Resources << >> /CharProcs <<";
  for (const auto& [glyph, object] : procedures) {
    f += " /g";
    PdfPutInt(f, glyph);
    f += ' ';
    PdfPutInt(f, object);
    f += " 0 R";
  }
  f += " >> /Encoding << /Type /Encoding /Differences [";
  int previous = -2;
  for (int code = 0; code < 256; code++) {
    const int glyph = font.glyphOfCode[static_cast<size_t>(code)];
    if (glyph < 0) continue;
    if (code != previous + 1) {
      f += ' ';
      PdfPutInt(f, code);
    }
    f += " /g";
    PdfPutInt(f, glyph);
    previous = code;
  }
  f += "] >>";
  PutWidths(f, fonts, faceIndex, font, ft->units_per_EM);
  f += " /ToUnicode ";
  PdfPutInt(f, toUnicode);
  f += " 0 R >>";
  PdfCloseObject(out);
}

}  // namespace

int PdfFaceOf(PdfFonts& fonts, PdfOutput&, FT_Face face, const std::string& file, int index) {
  for (size_t i = 0; i < fonts.faces.size(); i++)
    if (fonts.faces[i].index == index && fonts.faces[i].file == file) return static_cast<int>(i);
  PdfFace added;
  added.file = file;
  added.index = index;
  added.face = face;
  FT_Reference_Face(face);
  added.designAdvance.assign(static_cast<size_t>(std::max<FT_Long>(face->num_glyphs, 1)), -1.0);
  fonts.faces.push_back(std::move(added));
  return static_cast<int>(fonts.faces.size() - 1);
}

PdfFont& PdfFontFor(PdfFonts& fonts, PdfOutput& out, int face, const PdfGlyph& glyph) {
  PdfFace& f = fonts.faces[static_cast<size_t>(face)];
  PdfFont& font = glyph.glyph != 0 && glyph.character != 0 ? f.text : f.missing;
  OpenFont(fonts, out, font);
  font.glyphOfCode[glyph.code] = static_cast<int>(glyph.glyph);
  font.characterOfCode[glyph.code] = glyph.character;
  return font;
}

PdfFont& PdfWideFontFor(PdfFonts& fonts, PdfOutput& out, int face, unsigned glyph,
                        char32_t character, unsigned& code) {
  PdfFace& f = fonts.faces[static_cast<size_t>(face)];
  // A face of a collection goes the way of outlines: it could not be embedded whole should
  // HarfBuzz fail to subset it.
  if (f.trueType < 0) f.trueType = HasTrueTypeOutlines(f) && f.face->num_faces == 1 ? 1 : 0;
  if (f.trueType) {
    OpenFont(fonts, out, f.composite);
    f.composite.composite = true;
    f.composite.characterOfGlyph.emplace(glyph, character);
    code = glyph;
    return f.composite;
  }
  const auto key = std::make_pair(glyph, character);
  auto known = f.outlineCode.find(key);
  if (known == f.outlineCode.end()) {
    const size_t used = f.outlineCode.size();
    if (used % 256 == 0) f.outlines.emplace_back();
    PdfFont& font = f.outlines.back();
    OpenFont(fonts, out, font);
    const int next = static_cast<int>(used % 256);
    font.glyphOfCode[static_cast<size_t>(next)] = static_cast<int>(glyph);
    font.characterOfCode[static_cast<size_t>(next)] = character;
    known = f.outlineCode.emplace(key, std::make_pair(f.outlines.size() - 1, next)).first;
  }
  code = static_cast<unsigned>(known->second.second);
  return f.outlines[known->second.first];
}

double PdfDesignAdvance(PdfFonts& fonts, int face, unsigned glyph) {
  PdfFace& f = fonts.faces[static_cast<size_t>(face)];
  if (glyph >= f.designAdvance.size()) return 0;
  double& advance = f.designAdvance[glyph];
  if (advance < 0) {
    FT_Fixed units = 0;
    if (FT_Get_Advance(f.face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING, &units) != 0)
      units = 0;
    advance = static_cast<double>(units) / f.face->units_per_EM;
  }
  return advance;
}

bool PdfWriteFonts(PdfFonts& fonts, PdfOutput& out) {
  for (size_t i = 0; i < fonts.faces.size(); i++) {
    const int face = static_cast<int>(i);
    PdfFace& f = fonts.faces[i];
    if (f.text.object && !WriteTrueTypeFont(fonts, out, face, f.text))
      WriteOutlineFont(fonts, out, face, f.text);
    if (f.missing.object) WriteOutlineFont(fonts, out, face, f.missing);
    // A font file that cannot be read leaves the document without its font.
    if (f.composite.object && !WriteCompositeFont(fonts, out, face, f.composite)) out.failed = true;
    for (const PdfFont& font : f.outlines) WriteOutlineFont(fonts, out, face, font);
  }
  return !out.failed;
}

void PdfReleaseFonts(PdfFonts& fonts) {
  for (PdfFace& face : fonts.faces) FT_Done_Face(face.face);
  fonts.faces.clear();
}
