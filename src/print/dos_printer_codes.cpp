// DOS printer text: control codes of ESC/P and ESC/POS printers recognised by their length.
#include "print/dos_printer_codes.h"

#include <cstddef>
#include <utility>

namespace {

constexpr unsigned char Esc = 0x1B;
constexpr unsigned char Gs = 0x1D;
constexpr unsigned char Fs = 0x1C;
constexpr unsigned char Dle = 0x10;
constexpr size_t TabColumns = 8;

// Whether a switch parameter turns its mode on: 1 or "1" (and 2 or "2" for underline).
bool SwitchOn(unsigned char value) {
  return value == 1 || value == '1' || value == 2 || value == '2';
}

// The length of a control sequence that starts at bytes[0], once enough of it is there to
// tell; 0 while it is still too short to tell. The lengths are those of the printers' codes:
// a code's parameters, a picture's data, a barcode up to its end.
size_t SequenceLength(const std::string& bytes) {
  const size_t have = bytes.size();
  auto at = [&](size_t index) { return static_cast<unsigned char>(bytes[index]); };
  if (have < 2) return 0;
  const unsigned char lead = at(0), code = at(1);
  auto need = [&](size_t length) { return have >= length ? length : size_t{0}; };
  if (lead == Dle) return code == 0x14 ? need(5) : need(3);  // DLE EOT n, DLE DC4 fn m t
  if (lead == Fs) return code == 'p' ? need(4) : need(2);    // FS p n m (stored picture)
  if (lead == Gs) {
    switch (code) {
      case 'V':  // cut: m, and n for the feed-and-cut forms
        if (have < 3) return 0;
        return at(2) >= 65 ? need(4) : need(3);
      case '(':  // GS ( fn pL pH and pL + 256 pH bytes
        if (have < 5) return 0;
        return need(5 + at(3) + 256u * at(4));
      case 'v':  // GS v 0 m xL xH yL yH and the raster picture
        if (have < 8) return 0;
        return need(8 + (at(4) + 256u * at(5)) * (at(6) + 256u * at(7)));
      case 'k':  // barcode: m, then up to NUL (m < 65) or n and n bytes
        if (have < 3) return 0;
        if (at(2) < 65) {
          for (size_t index = 3; index < have; index++)
            if (at(index) == 0) return index + 1;
          return 0;
        }
        return have < 4 ? 0 : need(4 + at(3));
      case 'L':
      case 'W':
      case 'P':
        return need(4);
      default:  // GS ! n, GS B n, GS h n, GS w n, GS H n, GS f n, GS a n, GS r n ...
        return need(3);
    }
  }
  // ESC
  switch (code) {
    case '@':
    case 'E':
    case 'F':
    case 'G':
    case 'H':
    case 'i':
    case 'm':
    case '0':
    case '1':
    case '2':
    case 'M':
    case 'P':
    case 'g':
    case 'O':
    case 'T':
    case '4':
    case '5':
    case '<':
    case 0x0E:
    case 0x0F:
    case '#':
    case '8':
    case '9':
      return 2;
    case 'p':  // drawer kick: m t1 t2
      return need(5);
    case '$':
    case '\\':
      return need(4);
    case 'C':  // page length: n, or 0 and n in inches
      if (have < 3) return 0;
      return at(2) == 0 ? need(4) : need(3);
    case '*': {  // bit image: m nL nH and the columns (3 or 6 bytes a column for 24/48 pins)
      if (have < 5) return 0;
      const unsigned m = at(2);
      const size_t columnBytes = m >= 71 ? 6 : m >= 32 ? 3 : 1;
      return need(5 + columnBytes * (at(3) + 256u * at(4)));
    }
    case 'K':
    case 'L':
    case 'Y':
    case 'Z':
    case '^':  // ESC/P pictures: nL nH and data
      if (have < 4) return 0;
      return need(4 + at(2) + 256u * at(3));
    case 'B':
    case 'D':  // tab stops up to NUL
      for (size_t index = 2; index < have; index++)
        if (at(index) == 0) return index + 1;
      return 0;
    default:  // ESC ! n, ESC - n, ESC W n, ESC d n, ESC J n, ESC t n, ESC R n, ESC a n ...
      return need(3);
  }
}

// Applies a complete sequence to the state; true when it ends the page (a paper cut), and
// the number of lines it feeds.
void ApplySequence(const std::string& bytes, DosPrinterState& state, bool& pageEnd, int& feed) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const auto code = static_cast<unsigned char>(bytes[1]);
  const unsigned char value = bytes.size() > 2 ? static_cast<unsigned char>(bytes[2]) : 0;
  DosTextStyle& style = state.style;
  if (lead == Gs) {
    if (code == 'V') pageEnd = true;
    if (code == '!') style.doubleWidth = (value & 0x70) != 0;
    return;
  }
  if (lead != Esc) return;
  switch (code) {
    case '@':
      style = DosTextStyle{};
      break;
    case 'E':
      style.bold = bytes.size() == 2 || (value & 1) != 0;
      break;
    case 'F':
      style.bold = false;
      break;
    case '-':
      style.underline = SwitchOn(value);
      break;
    case 'W':
      style.doubleWidth = SwitchOn(value);
      break;
    case '!':
      style.bold = (value & 0x08) != 0;
      style.doubleWidth = (value & 0x20) != 0;
      style.underline = (value & 0x80) != 0;
      style.condensed = (value & 0x04) != 0;
      break;
    case 0x0E:
      style.shiftOut = true;
      break;
    case 0x0F:
      style.condensed = true;
      break;
    case 'd':
      feed = value;
      break;
    case 'i':
    case 'm':
      pageEnd = true;
      break;
    default:
      break;
  }
}

// Adds text in the current style to the pieces, joining the last piece when it is alike; the
// text is moved into the pieces.
void AddText(std::vector<DosPiece>& pieces, const DosTextStyle& style, std::string&& text) {
  if (!pieces.empty() && pieces.back().kind == DosPieceKind::Text && pieces.back().style == style) {
    pieces.back().text += text;
    return;
  }
  pieces.push_back(DosPiece{DosPieceKind::Text, std::move(text), style});
}

// A line end or page end as a piece; the column starts again.
void AddBreak(std::vector<DosPiece>& pieces, DosPrinterState& state, DosPieceKind kind) {
  pieces.push_back(DosPiece{kind, "", state.style});
  state.column = 0;
}

// ESC E waits for its possible parameter: complete once the next byte is known.
bool AwaitsParameter(const std::string& sequence) {
  return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == Esc &&
         sequence[1] == 'E';
}

// Feeds a byte to the unfinished sequence; once it is complete it is applied and forgotten.
// False when the byte is not part of the sequence (ESC/P's ESC E has no parameter, where
// ESC/POS's has 0 or 1): the sequence is then complete without it.
bool TakeSequenceByte(std::vector<DosPiece>& pieces, DosPrinterState& state, char byte) {
  std::string& bytes = state.sequence;
  bool taken = true;
  if (bytes.size() == 2 && static_cast<unsigned char>(bytes[0]) == Esc && bytes[1] == 'E' &&
      byte != 0 && byte != 1)
    taken = false;
  else
    bytes.push_back(byte);
  if (taken && AwaitsParameter(bytes)) return true;
  const size_t length = taken ? SequenceLength(bytes) : bytes.size();
  if (length == 0 || bytes.size() < length) return true;
  bool pageEnd = false;
  int feed = 0;
  ApplySequence(bytes, state, pageEnd, feed);
  bytes.clear();
  for (int line = 0; line < feed; line++) AddBreak(pieces, state, DosPieceKind::LineEnd);
  if (pageEnd) AddBreak(pieces, state, DosPieceKind::PageEnd);
  return taken;
}

}  // namespace

// ReadDosLine() - Byte by byte: a sequence in progress takes the bytes it needs; control
// bytes act; every other byte is text of the current style.
std::vector<DosPiece> ReadDosLine(DosPrinterState& state, const std::string& line) {
  std::vector<DosPiece> pieces;
  std::string text;  // text in the current style not yet added
  auto flush = [&] {
    if (!text.empty()) AddText(pieces, state.style, std::move(text));
    text.clear();
  };
  for (size_t index = 0; index < line.size(); index++) {
    const char byte = line[index];
    if (!state.sequence.empty()) {
      if (!TakeSequenceByte(pieces, state, byte)) index--;  // read the byte again as itself
      continue;
    }
    // Every control code is below a blank: a stretch of bytes from a blank up is all text.
    if (static_cast<unsigned char>(byte) >= 0x20) {
      size_t end = index + 1;
      while (end < line.size() && static_cast<unsigned char>(line[end]) >= 0x20) end++;
      text.append(line, index, end - index);
      state.column += static_cast<int>(end - index);
      index = end - 1;
      continue;
    }
    switch (static_cast<unsigned char>(byte)) {
      case Esc:
      case Gs:
      case Fs:
      case Dle:
        flush();
        state.sequence.push_back(byte);
        break;
      case '\n':
        flush();
        AddBreak(pieces, state, DosPieceKind::LineEnd);
        break;
      case '\f':
        flush();
        AddBreak(pieces, state, DosPieceKind::PageEnd);
        break;
      case '\t': {
        const size_t blanks = TabColumns - static_cast<size_t>(state.column) % TabColumns;
        text.append(blanks, ' ');
        state.column += static_cast<int>(blanks);
        break;
      }
      case 0x0E:  // SO: double width to the end of the line
      case 0x0F:  // SI: condensed
      case 0x12:  // DC2: condensed off
      case 0x14:  // DC4: SO's double width off
        flush();
        if (byte == 0x0E) state.style.shiftOut = true;
        if (byte == 0x0F) state.style.condensed = true;
        if (byte == 0x12) state.style.condensed = false;
        if (byte == 0x14) state.style.shiftOut = false;
        break;
      case 0x00:  // NUL, the beeper, printer select and deselect, cancel: nothing to print
      case 0x07:
      case 0x11:
      case 0x13:
      case 0x18:
        break;
      default:
        text.push_back(byte);
        state.column++;
        break;
    }
  }
  flush();
  // The CR that ended the line is the next byte of a sequence cut short by it (ESC d 13 ...).
  if (!state.sequence.empty() && !AwaitsParameter(state.sequence))
    TakeSequenceByte(pieces, state, '\r');
  return pieces;
}

// EndDosLine() - SO lasts one line; tabs count from the new line's start.
void EndDosLine(DosPrinterState& state) {
  state.style.shiftOut = false;
  state.column = 0;
}
