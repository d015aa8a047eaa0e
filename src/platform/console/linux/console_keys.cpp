// Console keys: escape sequences, Alt combinations and UTF-8 characters into console keys.
#include "platform/console/linux/console_keys.h"

#include <cctype>

#include "base/cp437.h"

namespace {

constexpr unsigned char Escape = 0x1B;

// A key without a character: byte 0 and its scan code.
std::string ScanKey(int scanCode) {
  return std::string(1, '\0') + static_cast<char>(scanCode);
}

// PC scan code of a letter key (set 1), for Alt with that letter.
int LetterScanCode(unsigned char letter) {
  static const char* const rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static const int firstCodes[] = {16, 30, 44};
  const char upper = static_cast<char>(std::toupper(letter));
  for (int row = 0; row < 3; row++) {
    for (int index = 0; rows[row][index] != '\0'; index++) {
      if (rows[row][index] == upper) return firstCodes[row] + index;
    }
  }
  return 0;
}

// Scan code of a cursor or function key named by the final byte of a sequence; 0 for none.
int FinalByteScanCode(unsigned char final) {
  switch (final) {
    case 'A':
      return 72;  // Up
    case 'B':
      return 80;  // Down
    case 'C':
      return 77;  // Right
    case 'D':
      return 75;  // Left
    case 'H':
      return 71;  // Home
    case 'F':
      return 79;  // End
    case 'P':
      return 59;  // F1
    case 'Q':
      return 60;  // F2
    case 'R':
      return 61;  // F3
    case 'S':
      return 62;  // F4
    default:
      return 0;
  }
}

// Scan code of a "ESC [ number ~" key; 0 for none.
int TildeScanCode(int number) {
  switch (number) {
    case 1:
    case 7:
      return 71;  // Home
    case 2:
      return 82;  // Insert
    case 3:
      return 83;  // Delete
    case 4:
    case 8:
      return 79;  // End
    case 5:
      return 73;  // Page Up
    case 6:
      return 81;  // Page Down
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
      return 59 + number - 11;  // F1-F5
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
      return 64 + number - 17;  // F6-F10
    case 23:
      return 87;  // F11
    case 24:
      return 88;  // F12
    default:
      return 0;
  }
}

// The first number of a parameter run ("1;5" gives 1); -1 when it starts without a digit.
int FirstParameter(std::string_view parameters) {
  if (parameters.empty() || !std::isdigit(static_cast<unsigned char>(parameters[0]))) return -1;
  int number = 0;
  for (const char digit : parameters) {
    if (!std::isdigit(static_cast<unsigned char>(digit))) break;
    if (number < 10000) number = number * 10 + (digit - '0');
  }
  return number;
}

// A plain byte or a UTF-8 character at the front of the bytes.
DecodedKey DecodeCharacter(std::string_view bytes, bool timedOut) {
  const unsigned char lead = static_cast<unsigned char>(bytes[0]);
  if (lead == 0) return {1, ScanKey(3)};  // Ctrl+Space, as the PC keyboard reports it
  // Enter is 13; a line feed (Ctrl+J) stays byte 10, which line input ignores.
  if (lead == 13) return {1, "\r"};
  if (lead == 8 || lead == 127) return {1, "\b"};
  if (lead < 0x80) return {1, std::string(1, static_cast<char>(lead))};

  size_t length = 0;
  char32_t character = 0;
  char32_t smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, character = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, character = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, character = lead & 0x07, smallest = 0x10000;
  } else {
    return {1, ""};  // not a UTF-8 lead byte
  }
  for (size_t index = 1; index < length; index++) {
    if (index >= bytes.size()) return {timedOut ? bytes.size() : 0, ""};
    const unsigned char next = static_cast<unsigned char>(bytes[index]);
    if ((next & 0xC0) != 0x80) return {index, ""};
    character = (character << 6) | (next & 0x3F);
  }
  if (character < smallest || character > 0x10FFFF) return {length, ""};
  const int byte = Cp437ByteOf(character);
  if (byte < 0x80) return {length, ""};  // the code page has no such character
  return {length, std::string(1, static_cast<char>(byte))};
}

// A control sequence: ESC [ parameters final.
DecodedKey DecodeCsi(std::string_view bytes, bool timedOut) {
  if (bytes.size() >= 3 && bytes[2] == '[') {
    // The Linux console's F1-F5: ESC [ [ A .. ESC [ [ E.
    if (bytes.size() < 4) return {timedOut ? bytes.size() : 0, ""};
    const unsigned char letter = static_cast<unsigned char>(bytes[3]);
    if (letter >= 'A' && letter <= 'E') return {4, ScanKey(59 + letter - 'A')};
    return {4, ""};
  }
  size_t index = 2;
  while (index < bytes.size()) {
    const unsigned char byte = static_cast<unsigned char>(bytes[index]);
    if (byte < 0x20 || byte > 0x3F) break;
    index++;
  }
  if (index >= bytes.size()) {
    if (!timedOut) return {0, ""};
    if (bytes.size() == 2) return {2, "["};  // Alt+[ alone
    return {bytes.size(), ""};
  }
  const unsigned char final = static_cast<unsigned char>(bytes[index]);
  if (final < 0x40 || final > 0x7E) return {index, ""};  // broken sequence: dropped
  const std::string_view parameters = bytes.substr(2, index - 2);
  const int first = FirstParameter(parameters);
  if (final == 'Z') return {index + 1, "\t"};  // Shift+Tab: the Tab character
  int scanCode = 0;
  if (final == '~') {
    scanCode = TildeScanCode(first);
  } else if ((!parameters.empty() && first == -1) ||
             (final == 'R' && parameters.find(';') != std::string_view::npos)) {
    // Private sequences (replies of the terminal) are no keys, nor is a late cursor position
    // report (row;column), even on row 1: not F3.
    scanCode = 0;
  } else {
    scanCode = FinalByteScanCode(final);
  }
  return {index + 1, scanCode != 0 ? ScanKey(scanCode) : ""};
}

// An application-mode key: ESC O (modifiers) final.
DecodedKey DecodeSs3(std::string_view bytes, bool timedOut) {
  size_t index = 2;
  while (index < bytes.size()) {
    const unsigned char byte = static_cast<unsigned char>(bytes[index]);
    if (byte < 0x30 || byte > 0x3F) break;
    index++;
  }
  if (index >= bytes.size()) {
    if (!timedOut) return {0, ""};
    if (bytes.size() == 2) return {2, ScanKey(LetterScanCode('O'))};  // Alt+O
    return {bytes.size(), ""};
  }
  const unsigned char final = static_cast<unsigned char>(bytes[index]);
  if (final == 'M') return {index + 1, "\r"};  // keypad Enter
  if (final >= 'j' && final <= 'y') {
    // Keypad characters in application mode: * + , - . / and the digits.
    static const char keypad[] = "*+,-./0123456789";
    return {index + 1, std::string(1, keypad[final - 'j'])};
  }
  if (final == 'X') return {index + 1, "="};
  const int scanCode = FinalByteScanCode(final);
  return {index + 1, scanCode != 0 ? ScanKey(scanCode) : ""};
}

}  // namespace

// One key (or dropped bytes, or a wait for more) from the front of the bytes.
DecodedKey DecodeKey(std::string_view bytes, bool timedOut) {
  if (bytes.empty()) return {0, ""};
  if (static_cast<unsigned char>(bytes[0]) != Escape) return DecodeCharacter(bytes, timedOut);
  if (bytes.size() == 1) return {timedOut ? 1u : 0u, timedOut ? "\x1b" : ""};
  const unsigned char next = static_cast<unsigned char>(bytes[1]);
  if (next == '[') return DecodeCsi(bytes, timedOut);
  if (next == 'O') return DecodeSs3(bytes, timedOut);
  if (next == Escape) return {1, "\x1b"};  // the first of two Escapes stands alone
  if (std::isalpha(next)) return {2, ScanKey(LetterScanCode(next))};
  // Alt with any other key: the key itself.
  const DecodedKey rest = DecodeCharacter(bytes.substr(1), timedOut);
  if (rest.used == 0) return {0, ""};
  return {rest.used + 1, rest.key};
}

// The next complete key from the queue.
std::string TakeKey(KeyQueue& queue, int64_t nowMilliseconds) {
  while (!queue.bytes.empty()) {
    const bool timedOut = queue.unfinishedSince >= 0 &&
                          nowMilliseconds - queue.unfinishedSince >= EscapeWaitMilliseconds;
    const DecodedKey decoded = DecodeKey(queue.bytes, timedOut);
    if (decoded.used == 0) {
      if (queue.unfinishedSince < 0) queue.unfinishedSince = nowMilliseconds;
      return "";
    }
    queue.bytes.erase(0, decoded.used);
    queue.unfinishedSince = -1;
    if (!decoded.key.empty()) return decoded.key;
  }
  queue.unfinishedSince = -1;
  return "";
}

// Time left for an unfinished sequence.
int KeyWaitMilliseconds(const KeyQueue& queue, int64_t nowMilliseconds) {
  if (queue.unfinishedSince < 0) return -1;
  const int64_t left = queue.unfinishedSince + EscapeWaitMilliseconds - nowMilliseconds;
  return left > 0 ? static_cast<int>(left) : 0;
}

// Takes the terminal's cursor report out of the keyboard bytes.
bool TakeCursorReport(std::string& bytes, int& row, int& column) {
  for (size_t start = bytes.find('\x1b'); start != std::string::npos;
       start = bytes.find('\x1b', start + 1)) {
    size_t index = start + 1;
    if (index >= bytes.size() || bytes[index] != '[') continue;
    index++;
    int numbers[2] = {0, 0};
    bool complete = false;
    for (int part = 0; part < 2; part++) {
      const size_t digitsStart = index;
      while (index < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[index]))) {
        if (numbers[part] < 100000) numbers[part] = numbers[part] * 10 + (bytes[index] - '0');
        index++;
      }
      if (index == digitsStart || index >= bytes.size()) break;
      const char expected = part == 0 ? ';' : 'R';
      if (bytes[index] != expected) break;
      index++;
      complete = part == 1;
    }
    if (!complete) continue;
    row = numbers[0];
    column = numbers[1];
    bytes.erase(start, index - start);
    return true;
  }
  return false;
}
