
#include "base/text_to_number.h"
// Reading a number typed by the operator or held in a file.

#include <cerrno>
#include <cstdlib>

namespace {

// Significant digits that count; later ones only scale the magnitude.
constexpr int kCountedDigits = 18;
// Any exponent beyond this is already far outside the range of an extended-precision number.
constexpr long kExponentLimit = 100000;

// Value of one digit byte in the given base, or -1 when the byte is no such digit.
int DigitValue(unsigned char byte, int base) {
  int value = -1;
  if (byte >= '0' && byte <= '9')
    value = byte - '0';
  else if (byte >= 'A' && byte <= 'F')
    value = byte - 'A' + 10;
  else if (byte >= 'a' && byte <= 'f')
    value = byte - 'a' + 10;
  return value < base ? value : -1;
}

// Reads "&H", "&B", "&O", "&Q" or a bare "&" integer starting at `at` (the byte after &).
long double AmpersandNumber(const std::string& text, size_t at) {
  int base = 8;
  if (at < text.size()) {
    switch (text[at]) {
      case 'H':
      case 'h':
        base = 16;
        ++at;
        break;
      case 'B':
      case 'b':
        base = 2;
        ++at;
        break;
      case 'O':
      case 'o':
      case 'Q':
      case 'q':
        base = 8;
        ++at;
        break;
      default:
        break;
    }
  }
  long double value = 0;
  for (; at < text.size(); ++at) {
    int digit = DigitValue(static_cast<unsigned char>(text[at]), base);
    if (digit < 0) break;
    value = value * base + digit;
  }
  return value;
}

}  // namespace

// Leading blanks, sign, digits, fraction and exponent; the first byte that does not fit ends
// the number. The counted digits go to an exact decimal conversion, so "0.1" reads as the
// same extended-precision number everywhere.
long double TextToNumber(const std::string& text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
  if (at < text.size() && text[at] == '&') return AmpersandNumber(text, at + 1);

  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }

  std::string digits;  // counted significant digits, no leading zeros
  long scale = 0;      // power of ten that the counted digits stand below
  bool anyDigit = false;
  bool afterPoint = false;
  for (; at < text.size(); ++at) {
    char byte = text[at];
    if (byte == '.' && !afterPoint) {
      afterPoint = true;
      continue;
    }
    if (byte < '0' || byte > '9') break;
    anyDigit = true;
    if (digits.empty() && byte == '0') {
      if (afterPoint) --scale;
      continue;
    }
    if (static_cast<int>(digits.size()) < kCountedDigits) {
      digits.push_back(byte);
      if (afterPoint) --scale;
    } else if (!afterPoint) {
      ++scale;
    }
  }
  if (!anyDigit) return 0;

  if (at < text.size() &&
      (text[at] == 'E' || text[at] == 'e' || text[at] == 'D' || text[at] == 'd')) {
    ++at;
    bool exponentNegative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
      exponentNegative = text[at] == '-';
      ++at;
    }
    long exponent = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      if (exponent < kExponentLimit) exponent = exponent * 10 + (text[at] - '0');
    }
    scale += exponentNegative ? -exponent : exponent;
  }
  if (digits.empty()) return 0;

  // Digits and power of ten only: no decimal point, so the locale cannot interfere.
  // Extended precision holds 1E+400 and 1E-400 alike; only beyond its own range (about
  // 1E+4932) does a value read as an infinity or 0. errno is left as it was.
  std::string exact = (negative ? "-" : "") + digits + "e" + std::to_string(scale);
  int savedErrno = errno;
  long double value = std::strtold(exact.c_str(), nullptr);
  errno = savedErrno;
  return value;
}
