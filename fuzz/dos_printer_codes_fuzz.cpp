// Fuzz target: DOS printer text over any bytes, as a DOS program (or a damaged capture file)
// may send them, split into lines at CR as the line reader splits a document. No control
// code ever reaches the paper as text, tabs stay within their 8 columns, and what is text is
// the document's own bytes in their order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "print/dos_printer_codes.h"

namespace {

// Bytes that act (or start a sequence) and so never print.
bool ActingByte(unsigned char byte) {
  switch (byte) {
    case 0x00:
    case 0x07:
    case 0x09:
    case 0x0A:
    case 0x0C:
    case 0x0E:
    case 0x0F:
    case 0x10:
    case 0x11:
    case 0x12:
    case 0x13:
    case 0x14:
    case 0x18:
    case 0x1B:
    case 0x1C:
    case 0x1D:
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  for (size_t start = 0; start <= bytes.size();) {
    size_t end = bytes.find('\r', start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }

  DosPrinterState state;
  std::string printed;  // the text pieces' bytes, blanks of tabs left out
  for (const std::string& line : lines) {
    size_t tabs = 0;
    for (const char byte : line) tabs += byte == '\t';
    size_t textBytes = 0;
    for (const DosPiece& piece : ReadDosLine(state, line)) {
      if (piece.kind != DosPieceKind::Text) {
        Require(piece.text.empty(), "a line or page end carries no text");
        continue;
      }
      Require(!piece.text.empty(), "a text piece has text");
      for (const char byte : piece.text) {
        Require(!ActingByte(static_cast<unsigned char>(byte)), "no acting byte prints");
        printed += byte;
      }
      textBytes += piece.text.size();
    }
    Require(textBytes <= line.size() + 7 * tabs, "text no longer than its bytes and tabs");
    EndDosLine(state);
    Require(!state.style.shiftOut && state.column == 0, "a line's end ends SO and the column");
  }
  // What printed is the document's bytes in order (tabs as blanks): a subsequence of them.
  size_t at = 0;
  for (const char byte : printed) {
    while (at < bytes.size() && bytes[at] != byte && !(byte == ' ' && bytes[at] == '\t')) at++;
    Require(at < bytes.size(), "printed text comes from the document in order");
    if (bytes[at] != '\t') at++;
  }
  return 0;
}
