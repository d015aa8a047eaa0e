// Fuzz target: numbers typed by the operator (or read from the configuration) and numbers
// written as text. Whatever is typed reads as a number; what NumberText writes has the
// console's number shape and reads back within its significant digits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_check.h"
#include "base/number_text.h"
#include "base/text_to_number.h"

namespace {

// The shape of NumberText's result: sign position, then " 0"; plain digits with an optional
// point (no leading 0 before it, no trailing 0 after it); or d[.ddd]E+x / E-x. Exponent form
// exactly when plain form would need more integer digits or more places than `digits`.
void CheckShape(const std::string& text, int digits) {
  Require(text.size() >= 2, "sign position and at least one digit");
  Require(text[0] == ' ' || text[0] == '-', "a sign position first");
  const std::string body = text.substr(1);
  if (body == "INF") return;
  if (body == "0") {
    Require(text[0] == ' ', "zero has a blank sign");
    return;
  }
  const size_t e = body.find('E');
  const std::string mantissa = body.substr(0, e);
  const size_t point = mantissa.find('.');
  std::string significant;
  for (char c : mantissa)
    if (c != '.') {
      Require(c >= '0' && c <= '9', "only digits and one point");
      significant += c;
    }
  Require(mantissa.find('.', point == std::string::npos ? point : point + 1) == std::string::npos,
          "at most one point");
  Require(point == std::string::npos || mantissa.back() != '0', "no trailing zero after a point");
  Require(point == std::string::npos || point + 1 < mantissa.size(), "digits after a point");

  if (e != std::string::npos) {
    Require(point == std::string::npos || point == 1, "one digit before an exponent's point");
    Require(significant[0] != '0', "an exponent form starts with a significant digit");
    Require(significant.size() <= static_cast<size_t>(digits), "no more digits than asked");
    const std::string power = body.substr(e + 1);
    Require(power.size() >= 2 && (power[0] == '+' || power[0] == '-') && power[1] != '0',
            "exponent sign and no leading zero");
    for (size_t i = 1; i < power.size(); ++i)
      Require(power[i] >= '0' && power[i] <= '9', "exponent digits");
    const long exponent = std::stol(power);
    const long count = static_cast<long>(significant.size());
    Require(exponent + 1 > digits || count - 1 - exponent > digits,
            "exponent form only when plain form does not fit");
    return;
  }
  const size_t integerDigits = point == std::string::npos ? mantissa.size() : point;
  Require(integerDigits == 0 || mantissa[0] != '0', "no leading zero");
  Require(integerDigits <= static_cast<size_t>(digits), "plain form fits its integer digits");
  const size_t places = point == std::string::npos ? 0 : mantissa.size() - point - 1;
  Require(places <= static_cast<size_t>(digits), "plain form fits its places");
  const size_t first = significant.find_first_not_of('0');
  Require(first != std::string::npos, "a non-zero number has a non-zero digit");
  std::string counted = significant.substr(first);
  if (point == std::string::npos) counted.erase(counted.find_last_not_of('0') + 1);
  Require(counted.size() <= static_cast<size_t>(digits), "no more significant digits than asked");
}

// NumberText of the value reads back within its significant digits and writes again the same.
void CheckRoundTrip(long double value, int digits) {
  const std::string text = NumberText(value, digits);
  CheckShape(text, digits);
  if (std::isnan(value)) {
    Require(text == " NAN", "not-a-number shows as NAN");
    return;
  }
  if (std::isinf(value)) {
    Require(text == (value < 0 ? "-INF" : " INF"), "an infinity shows as INF");
    return;
  }
  Require(text != " INF" && text != "-INF", "a finite number never shows as INF");
  const long double back = TextToNumber(text);
  if (std::isinf(back)) {
    // Only a value rounded up past the largest number reads back as infinite.
    Require(std::fabs(value) > std::numeric_limits<long double>::max() / 1.1L,
            "only the largest values round up to infinity");
    return;
  }
  // Two-step rounding moves the value by at most 0.55 of a unit in the last digit kept.
  const long double unit = std::pow(10.0L, 1 - digits);
  const long double allowed =
      0.6L * unit * std::fabs(value) + std::numeric_limits<long double>::denorm_min();
  Require(std::fabs(back - value) <= allowed, "reads back within its significant digits");
  Require((back < 0) == (value < 0) || back == 0, "reads back with its sign");
  // Normal numbers are far finer than 17 digits, so the text read back writes the same; a
  // subnormal's spacing may be coarser than its last digit.
  if (std::fabs(value) >= std::numeric_limits<long double>::min())
    Require(NumberText(back, digits) == text, "writes again the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const long double value = TextToNumber(text);
  Require(!std::isnan(value), "text never reads as not-a-number");
  Require(TextToNumber(" " + text) == value, "a leading blank is skipped");
  Require(TextToNumber(text + '\x01') == value, "a byte that does not fit ends the number");
  CheckRoundTrip(value, 15);
  CheckRoundTrip(value, 7);
  Require(StoreInt16(value) == static_cast<int16_t>(StoreInt32(value)),
          "16 bits are the low half of 32");

  // The same bytes as a number anywhere in extended precision's range, subnormals included.
  if (size >= 11) {
    uint64_t bits;
    std::memcpy(&bits, data, sizeof bits);
    int16_t power;
    std::memcpy(&power, data + 8, sizeof power);
    const long double fraction = (long double)(bits) / 18446744073709551616.0L;  // [0, 1)
    const long double spread = std::ldexp(fraction, power % 16500);
    const int digits = 1 + data[10] % 17;
    CheckRoundTrip(data[10] & 0x80 ? -spread : spread, digits);
  }
  return 0;
}
