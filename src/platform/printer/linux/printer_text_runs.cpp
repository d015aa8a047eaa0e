// Printer text runs: where a run of text lies and how wide it is in a context's realized font,
// shared by the device calls and the printers that draw.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/printer/linux/printer_internal.h"

// The advances of the bytes first..last in the realized font.
void RealizedAdvances(DeviceContext& dc, unsigned first, unsigned last, int* widths) {
  // One block copy: text output reads all 256 advances for every line it prints.
  std::copy_n(dc.realized.advances + first, last - first + 1, widths);
}

// The left end of a text run of the given width for x by the alignment.
int TextRunLeft(const DeviceContext& dc, int x, int width) {
  switch (dc.align & 6u) {
    case TA_RIGHT:
      return x - width;
    case 6u:
      return x - width / 2;  // centred
    default:
      return x;
  }
}

// The baseline of a text run for y by the alignment: top, bottom or baseline.
int TextRunBaseline(const DeviceContext& dc, int y) {
  switch (dc.align & TA_BASELINE) {
    case TA_BASELINE:
      return y;
    case 8u:
      return y - dc.realized.metrics.tmDescent;  // bottom
    default:
      return y + dc.realized.metrics.tmAscent;  // top
  }
}

// Width of a text in the selected font: the sum of its bytes' advances.
int TextRunWidth(const DeviceContext& dc, const std::string& text) {
  long long width = 0;
  for (const char character : text)
    width += dc.realized.advances[static_cast<unsigned char>(character)];
  return static_cast<int>(std::min<long long>(width, INT32_MAX));
}

// The character a byte is drawn as: Windows-1252, or the byte's own value where it has none.
char32_t ByteCharacter(unsigned char byte) {
  const unsigned character = Cp1252ToUnicode(byte);
  return character ? character : byte;
}

// C0 and C1 control characters and DEL: no glyph of the font is drawn for them.
bool IsControlCharacter(char32_t character) {
  return character < 0x20 || (character >= 0x7F && character < 0xA0);
}
