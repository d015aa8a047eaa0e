// Draws one of a few fixed documents on the built-in "Print to PDF" printer through the
// printer device calls: what a capture file cannot ask for (landscape, colours, opaque
// backgrounds, alignments, pictures, other faces). The PDF writer's integration test prints
// each with this program and compares the result with the same document printed before.
// Usage: pdf_document_drawer NAME [DOCUMENT_NAME] (in the folder whose pdf/ receives the
// document; the document is named NAME unless given another name). Prints,
// for every space-separated word drawn, "page left word": where the measured advances put its
// left end, in points from the page's left edge.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/printer/printer_bitmap.h"
#include "platform/printer/printer_device.h"

namespace {

// One text at a place, with the drawing state it needs.
struct Text {
  int x;
  int y;
  unsigned align;
  int background;  // TRANSPARENT or OPAQUE
  COLORREF color;
  std::string text;
};

// A document: its face and em size, orientation, texts page by page and whether it has
// pictures.
struct Document {
  const char* name;
  const char* face;
  int em;
  bool landscape;
  std::vector<std::vector<Text>> pages;
  bool pictures;
  bool wide = false;  // the texts are UTF-8, drawn and measured with the wide calls
};

std::string AllBytes(int first, int last) {
  std::string bytes;
  for (int b = first; b <= last; b++) bytes += static_cast<char>(b);
  return bytes;
}

// The characters first..last in UTF-8.
std::string Utf8Range(char32_t first, char32_t last) {
  std::string text;
  for (char32_t c = first; c <= last; c++) {
    if (c < 0x800) {
      text += static_cast<char>(0xC0 | (c >> 6));
    } else {
      text += static_cast<char>(0xE0 | (c >> 12));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
  return text;
}

// UTF-8 as the UTF-16 units the wide calls take, one a wchar_t.
std::wstring Utf16Units(const std::string& text) {
  std::wstring units;
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? byte : byte & (0x7Fu >> length);
    for (size_t k = 1; k < length; k++)
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    i += length;
    if (c >= 0x10000) {
      units += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += static_cast<wchar_t>(c);
    }
  }
  return units;
}

std::vector<Document> Documents() {
  const unsigned top = 0, baseline = TA_BASELINE, bottom = 8;
  return {
      {"landscape",
       "DejaVu Sans Mono",
       83,
       true,
       {{{0, 0, top, TRANSPARENT, 0, "Top left of a landscape page"},
         {3000, 2000, baseline, TRANSPARENT, 0, "Further along (and down) \\ here"},
         {100, 3000, top, TRANSPARENT, 0,
          "soft\xADhyphen no\xA0"
          "break"}},
        {{100, 100, top, TRANSPARENT, 0, "Second landscape page"}}},
       false},
      {"styles",
       "Liberation Sans",
       100,
       false,
       {{{100, 200, top, TRANSPARENT, 0x0000FF, "Red text, proportional widths: WAVE iiii"},
         {100, 400, baseline, OPAQUE, 0xFF0000, "Blue on the background colour"},
         {4000, 600, TA_RIGHT | bottom, TRANSPARENT, 0, "Right aligned, bottom"},
         {2400, 800, 6u | top, OPAQUE, 0x008000, "Centred and opaque"},
         {100, 1000, top, TRANSPARENT, 0, AllBytes(0x20, 0x7F)},
         {100, 1200, top, TRANSPARENT, 0, AllBytes(0x80, 0xBF)},
         {100, 1400, top, TRANSPARENT, 0, AllBytes(0xC0, 0xFF)},
         {100, 1600, top, TRANSPARENT, 0, "Controls: " + AllBytes(1, 31) + " end"}}},
       false},
      {"outlines",
       "Nimbus Sans",
       100,
       false,
       {{{100, 200, top, TRANSPARENT, 0, "A face without TrueType outlines: Caf\xE9 \x80 12.50"},
         {100, 400, top, OPAQUE, 0x0000FF, "Second line with a byte \x81 it lacks"}},
        {{100, 200, top, TRANSPARENT, 0, "Its second page"}}},
       false},
      {"pictures",
       "DejaVu Sans Mono",
       83,
       false,
       {{{100, 100, top, TRANSPARENT, 0, "Text under the first picture"},
         {100, 1500, top, TRANSPARENT, 0, "Text the last picture covers"}}},
       true},
      {"large",
       "DejaVu Sans",
       1200,
       false,
       {{{0, 0, top, TRANSPARENT, 0, "Big"}, {0, 1500, top, OPAQUE, 0x0000FF, "Type"}}},
       false},
      // Characters beyond Windows-1252 with the wide calls, among Windows-1252 ones: a
      // proportional TrueType face (a pair of surrogates and a character it lacks included),
      // and a face without TrueType outlines with more of them than one font's 256 codes
      // (each of them a glyph of the face).
      {"widetext",
       "DejaVu Sans",
       83,
       false,
       {{{100, 200, top, TRANSPARENT, 0,
          "Caf\u00e9 \u041f\u0440\u0438\u0432\u0435\u0442 "
          "\u03b1\u03b2\u03b3 \u20ac 12.50 \u2554\u2550\u2557"},
         {100, 400, top, OPAQUE, 0x0000FF, "WAVE \u0416\u0429\u042f iiii \u2591\u2592\u2593"},
         {100, 600, top, TRANSPARENT, 0, "math \U0001D400\U0001D401 lacks \u4e2d\u6587 end"},
         {100, 800, top, TRANSPARENT, 0, Utf8Range(0x410, 0x44F)}}},
       false,
       true},
      {"wideoutlines",
       "Nimbus Mono PS",
       83,
       false,
       {{{100, 200, top, TRANSPARENT, 0, Utf8Range(0x400, 0x43F)},
         {100, 400, top, TRANSPARENT, 0, Utf8Range(0x440, 0x45F) + " " + Utf8Range(0x391, 0x3A1)},
         {100, 600, top, TRANSPARENT, 0, Utf8Range(0x3A3, 0x3A9) + " " + Utf8Range(0x3B1, 0x3C9)},
         {100, 800, top, TRANSPARENT, 0, Utf8Range(0x100, 0x13F)},
         {100, 1000, top, TRANSPARENT, 0, Utf8Range(0x140, 0x17F)},
         {100, 1200, top, TRANSPARENT, 0,
          "\u2500\u2502\u250c\u2510\u2514\u2518\u251c\u2524\u252c\u2534\u253c " +
              Utf8Range(0x2550, 0x256C) + " Caf\u00e9 \u20ac total 12.50"}}},
       false,
       true},
  };
}

// A picture of a few pixels in three colours, top-down or bottom-up, at 24 or 32 bits.
void DrawPicture(HDC dc, int x, int y, int width, int height, int bits, bool topDown) {
  const int w = 8, h = 6;
  BITMAPINFO info;
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = topDown ? -h : h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<uint16_t>(bits);
  const int stride = (w * bits / 8 + 3) / 4 * 4;
  std::vector<unsigned char> pixels(static_cast<size_t>(stride * h));
  for (int row = 0; row < h; row++)
    for (int column = 0; column < w; column++) {
      unsigned char* p = &pixels[static_cast<size_t>(row * stride + column * bits / 8)];
      p[0] = static_cast<unsigned char>(column * 32);                   // blue
      p[1] = static_cast<unsigned char>(row * 40);                      // green
      p[2] = static_cast<unsigned char>((row + column) % 2 ? 255 : 0);  // red
    }
  StretchDIBits(dc, x, y, width, height, 0, 0, w, h, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

// Prints where each word of a text starts by the measured widths of the text before it.
// Width of a text's first bytes, 8-bit or (UTF-8) wide.
void Measure(HDC dc, const std::string& text, size_t bytes, bool wide, SIZE& size) {
  if (!wide) {
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(bytes), &size);
    return;
  }
  const std::wstring units = Utf16Units(text.substr(0, bytes));
  GetTextExtentPoint32W(dc, units.data(), static_cast<int>(units.size()), &size);
}

void PrintWordLefts(HDC dc, int page, const Text& text, bool wide) {
  const std::string& t = text.text;
  SIZE whole;
  Measure(dc, t, t.size(), wide, whole);
  int left = text.x;
  if ((text.align & 6u) == TA_RIGHT) left = text.x - whole.cx;
  if ((text.align & 6u) == 6u) left = text.x - whole.cx / 2;
  const double points = 72.0 / GetDeviceCaps(dc, LOGPIXELSX);
  const int margin = GetDeviceCaps(dc, PHYSICALOFFSETX);
  for (size_t i = 0; i < t.size(); i++) {
    if (t[i] == ' ' || (i > 0 && t[i - 1] != ' ')) continue;
    SIZE before;
    Measure(dc, t, i, wide, before);
    const size_t end = t.find(' ', i);
    std::printf("%d %.4f %s\n", page, (margin + left + before.cx) * points,
                t.substr(i, end == std::string::npos ? std::string::npos : end - i).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  for (const Document& document : Documents()) {
    if (std::strcmp(document.name, argv[1]) != 0) continue;
    DEVMODEA settings;
    settings.dmFields = DM_ORIENTATION;
    settings.dmOrientation = document.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    HDC dc = CreateDCA(nullptr, "Print to PDF", nullptr, &settings);
    if (!dc) return 1;
    LOGFONTA description;
    description.lfHeight = -document.em;
    std::strncpy(description.lfFaceName, document.face, sizeof description.lfFaceName - 1);
    HFONT font = CreateFontIndirectA(&description);
    HGDIOBJ previous = SelectObject(dc, font);
    DOCINFOA info;
    info.lpszDocName = argc == 3 ? argv[2] : document.name;
    if (StartDocA(dc, &info) <= 0) return 1;
    int pageNumber = 0;
    for (const std::vector<Text>& page : document.pages) {
      StartPage(dc);
      pageNumber++;
      for (const Text& text : page) {
        SetTextAlign(dc, text.align);
        SetBkMode(dc, text.background);
        SetTextColor(dc, text.color);
        if (document.wide) {
          const std::wstring units = Utf16Units(text.text);
          TextOutW(dc, text.x, text.y, units.data(), static_cast<int>(units.size()));
        } else {
          TextOutA(dc, text.x, text.y, text.text.data(), static_cast<int>(text.text.size()));
        }
        PrintWordLefts(dc, pageNumber, text, document.wide);
      }
      if (document.pictures) {
        DrawPicture(dc, 100, 50, 800, 600, 24, false);  // over the first text
        DrawPicture(dc, 1000, 50, 1600, 1200, 32, true);
        DrawPicture(dc, 100, 1400, 400, 300, 24, true);
      }
      EndPage(dc);
    }
    const int ended = EndDoc(dc);
    SelectObject(dc, previous);
    DeleteObject(font);
    DeleteDC(dc);
    return ended > 0 ? 0 : 1;
  }
  std::fprintf(stderr, "no document %s\n", argv[1]);
  return 2;
}
