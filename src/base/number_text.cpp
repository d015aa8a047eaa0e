
#include "base/number_text.h"
// Numbers as text, and numbers stored into integer variables.

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// Shortest and longest significant-digit counts a caller may ask for.
constexpr int kFewestDigits = 1;
constexpr int kMostDigits = 17;

// Splits |value| (finite, non-zero) into `count` correctly rounded decimal digits and the
// power of ten of the first one, through an exact binary-to-decimal conversion.
void ExactDigits(long double value, int count, std::string& digits, int& exponent) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                              std::chars_format::scientific, count - 1);
  digits.clear();
  const char* p = buffer;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits.push_back(*p);
  }
  exponent = 0;
  if (p < result.ptr) std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent);
}

// Drops the last digit: above 5 rounds up, below 5 down, exactly 5 to the even neighbour.
// A carry out of the first digit raises the exponent.
void DropExtraDigit(std::string& digits, int& exponent) {
  char extra = digits.back();
  digits.pop_back();
  bool up = extra > '5' || (extra == '5' && (digits.back() - '0') % 2 == 1);
  if (!up) return;
  size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') {
    digits[i - 1] = '0';
    --i;
  }
  if (i == 0) {
    digits.insert(digits.begin(), '1');
    digits.pop_back();
    ++exponent;
  } else {
    ++digits[i - 1];
  }
}

// The low bits of a finite integral value: its remainder modulo `modulus`, from 0 up.
int64_t LowBits(long double whole, long double modulus) {
  long double rest = std::fmod(whole, modulus);  // exact, same sign as whole
  if (rest < 0) rest += modulus;
  return static_cast<int64_t>(rest);
}

// Nearest integer, a tie going to the even neighbour, whatever the FPU rounding mode.
long double RoundHalfEven(long double value) {
  long double below = std::floor(value);
  long double fraction = value - below;  // exact for every finite value
  if (fraction > 0.5L) return below + 1;
  if (fraction < 0.5L) return below;
  return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

}  // namespace

// Sign position, then at most `digits` significant digits, plain or in exponent form.
// Not-a-number shows as " NAN" and the infinities as " INF" and "-INF", so a broken
// calculation never passes for a real amount on the receipt or the console.
std::string NumberText(long double value, int digits) {
  if (std::isnan(value)) return " NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : " INF";
  if (value == 0) return " 0";  // negative zero too
  if (digits < kFewestDigits) digits = kFewestDigits;
  if (digits > kMostDigits) digits = kMostDigits;

  // Round to one digit more, then drop that digit on its own.
  std::string mantissa;
  int exponent = 0;
  ExactDigits(value, digits + 1, mantissa, exponent);
  DropExtraDigit(mantissa, exponent);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

  std::string text(1, value < 0 ? '-' : ' ');
  int count = static_cast<int>(mantissa.size());
  int integerDigits = exponent + 1;
  int placesAfterPoint = count - 1 - exponent;
  if (integerDigits > digits || placesAfterPoint > digits) {
    text += mantissa[0];
    if (count > 1) {
      text += '.';
      text.append(mantissa, 1, std::string::npos);
    }
    text += 'E';
    text += exponent < 0 ? '-' : '+';
    text += std::to_string(std::abs(exponent));
    return text;
  }
  if (exponent < 0) {
    text += '.';
    text.append(static_cast<size_t>(-exponent - 1), '0');
    text += mantissa;
    return text;
  }
  if (count <= integerDigits) {
    text += mantissa;
    text.append(static_cast<size_t>(integerDigits - count), '0');
    return text;
  }
  text.append(mantissa, 0, static_cast<size_t>(integerDigits));
  text += '.';
  text.append(mantissa, static_cast<size_t>(integerDigits), std::string::npos);
  return text;
}

// Nearest integer (ties to even), low 16 bits kept; not-a-number and infinities give 0.
int16_t StoreInt16(long double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int16_t>(static_cast<uint16_t>(LowBits(RoundHalfEven(value), 65536.0L)));
}

// Nearest integer (ties to even), low 32 bits kept; not-a-number and infinities give 0.
int32_t StoreInt32(long double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(LowBits(RoundHalfEven(value), 4294967296.0L)));
}

// Largest integer not above the value.
long double FloorValue(long double value) {
  return std::floor(value);
}
