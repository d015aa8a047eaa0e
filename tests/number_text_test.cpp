
#include "base/number_text.h"
#include "base/text_to_number.h"
// Tests for numbers as text, numbers read from text and numbers stored into integers.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <regex>

namespace {

struct NumberCase {
  long double value;
  int digits;
  const char* text;
};

TEST(NumberTextTest, Table) {
  const NumberCase cases[] = {
      {10, 15, " 10"},
      {-4, 15, "-4"},
      {0, 15, " 0"},
      {-0.0, 15, " 0"},
      {0.5, 15, " .5"},
      {-0.5, 15, "-.5"},
      {1e20, 15, " 1E+20"},
      {1.5e20, 15, " 1.5E+20"},
      {-1.5e20, 15, "-1.5E+20"},
      {1e15, 15, " 1E+15"},
      {123456789012345.0, 15, " 123456789012345"},
      {1e14, 15, " 100000000000000"},
      {123456789012345.6, 15, " 123456789012346"},
      {999999999999999.0, 15, " 999999999999999"},
      {999999999999999.5, 15, " 1E+15"},
      {0.1 + 0.2, 15, " .3"},
      {1.0 / 3, 15, " .333333333333333"},
      {2.0 / 3, 15, " .666666666666667"},
      {-2.0 / 3, 15, "-.666666666666667"},
      {1234.5678, 15, " 1234.5678"},
      {-1234.5, 15, "-1234.5"},
      {0.000001, 15, " .000001"},
      {1e-5, 15, " .00001"},
      {1e-15, 15, " .000000000000001"},
      {1e-16, 15, " 1E-16"},
      {1.5e-15, 15, " 1.5E-15"},
      {0.123456789012345, 15, " .123456789012345"},
      {1.23456789012345e-10, 15, " 1.23456789012345E-10"},
      {-1e-300, 15, "-1E-300"},
      {1e100, 15, " 1E+100"},
      {DBL_MAX, 15, " 1.79769313486232E+308"},
      {std::numeric_limits<double>::denorm_min(), 15, " 4.94065645841246E-324"},  // ...2465 4...
      // Two steps differ from one: 16 digits end in exactly 5, then the tie goes to even.
      {2.062116443042875, 15, " 2.06211644304288"},  // exactly ...287489..., odd: up
      {5.048658484850505, 15, " 5.0486584848505"},   // exactly ...850505168..., even: down
      {1234567.5, 7, " 1234568"},
      {1234568.5, 7, " 1234568"},
      {9999999.0, 7, " 9999999"},
      {9999999.5, 7, " 1E+7"},
      {1e7, 7, " 1E+7"},
      {static_cast<double>(0.1f), 7, " .1"},
      {static_cast<double>(0.3f), 7, " .3"},
      {static_cast<double>(16777216.0f), 7, " 1.677722E+7"},
      {1.0 / 3, 7, " .3333333"},
      {3.14159265, 7, " 3.141593"},
      {1e-7, 7, " .0000001"},
      {1e-8, 7, " 1E-8"},
      {-2.5, 7, "-2.5"},
      {std::nan(""), 15, " NAN"},
      {HUGE_VAL, 15, " INF"},
      {-HUGE_VAL, 7, "-INF"},
      // Extended precision reaches far beyond a double at both ends.
      {1e400L, 15, " 1E+400"},
      {-1e400L, 15, "-1E+400"},
      {1e-320L, 15, " 1E-320"},
      {1e-400L, 15, " 1E-400"},
      {-2.5e-4000L, 7, "-2.5E-4000"},
      {LDBL_MAX, 15, " 1.18973149535723E+4932"},
      {123456789012345678.0L, 15, " 1.23456789012346E+17"},
      {0.1L, 15, " .1"},
      {HUGE_VALL, 15, " INF"},
  };
  for (const NumberCase& c : cases)
    EXPECT_EQ(NumberText(c.value, c.digits), c.text) << c.value << " with " << c.digits;
}

// Any value with at most 15 significant digits comes back exactly, in the right form.
TEST(NumberTextTest, FifteenDigitDecimalsComeBack) {
  std::mt19937_64 random(20260712);
  const std::regex plain(R"([ -]([1-9][0-9]*|([1-9][0-9]*)?\.[0-9]*[1-9]))");
  const std::regex exponent(R"([ -][1-9](\.[0-9]*[1-9])?E[+-][1-9][0-9]*)");
  for (int i = 0; i < 20000; ++i) {
    long long mantissa = static_cast<long long>(random() % 999999999999999ULL) + 1;
    int power = static_cast<int>(random() % 80) - 40;
    std::string typed = (i % 2 ? "-" : "") + std::to_string(mantissa) + "e" + std::to_string(power);
    double value = std::strtod(typed.c_str(), nullptr);
    std::string text = NumberText(value, 15);
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << typed << " -> " << text;

    // Plain exactly when neither the integer part nor the fraction needs over 15 places.
    int digitCount = static_cast<int>(std::to_string(mantissa).find_last_not_of('0')) + 1;
    int leading = static_cast<int>(std::to_string(mantissa).size()) - 1 + power;
    bool fitsPlain = leading + 1 <= 15 && digitCount - 1 - leading <= 15;
    ASSERT_TRUE(std::regex_match(text, fitsPlain ? plain : exponent)) << typed << " -> " << text;
  }
}

struct ReadCase {
  const char* text;
  long double value;
};

TEST(TextToNumberTest, Table) {
  const ReadCase cases[] = {
      {"  7", 7},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"&H1F", 31},
      {"&h1f", 31},
      {"&B101", 5},
      {"&o17", 15},
      {"&Q17", 15},
      {"&17", 15},
      {"&18", 1},
      {"&H", 0},
      {"&HG", 0},
      {"1.5E2", 150},
      {"1.5e-2", 0.015L},
      {"2D3", 2000},
      {"2d+3", 2000},
      {"1.5E", 1.5},
      {"1.5E+x", 1.5},
      {" \t\n-3.25", -3.25},
      {"+.5", 0.5},
      {"-", 0},
      {".", 0},
      {"- 5", 0},
      {"\r5", 0},
      {"0.1", 0.1L},
      {"000123.4500", 123.45L},
      {"1.2.3", 1.2L},
      {"12 34", 12},
      // Digits beyond the 18th are dropped but keep their place.
      {"1234567890123456789999", 1234567890123456780000.0L},
      {"0.0000012345678901234567899", 0.0000012345678901234567800L},
      // All 18 digits are kept: more than a double holds.
      {"123456789012345678", 123456789012345678.0L},
      {"1e400", 1e400L},
      {"-1e400", -1e400L},
      {"1e-320", 1e-320L},
      {"1e-400", 1e-400L},
      // Only beyond extended precision's own range: an infinity or 0.
      {"1e5000", HUGE_VALL},
      {"1e-5000", 0},
      {"1e99999999999999999999", HUGE_VALL},
      {"0e99999999999999999999", 0},
  };
  for (const ReadCase& c : cases) EXPECT_EQ(TextToNumber(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(TextToNumber(std::string("12\0"
                                     "34",
                                     5)),
            12);
}

// What NumberText writes reads back as the same 15-digit value.
TEST(TextToNumberTest, ReadsNumberText) {
  const long double values[] = {1e20, -1.5e-20, 2.0 / 3,  123456789012345.0, 0.000001,
                                -7,   1e400L,   -1e-400L, 4.5e4931L};
  for (long double value : values) {
    std::string text = NumberText(value, 15);
    EXPECT_EQ(NumberText(TextToNumber(text), 15), text);
  }
}

// A point size typed in setup is stored as it was typed, even far outside a double's range.
TEST(TextToNumberTest, TypedPointSizeStoredAsTyped) {
  const struct {
    const char* typed;
    const char* stored;
  } cases[] = {
      {"10", " 10"},         {"1e400", " 1E+400"},  {"-1e400", "-1E+400"},
      {"1e-320", " 1E-320"}, {"1e-400", " 1E-400"}, {"12.5e-4000x", " 1.25E-3999"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberText(TextToNumber(c.typed), 15), c.stored) << c.typed;
}

TEST(StoreIntTest, RoundsHalfToEvenAndKeepsLowBits) {
  const struct {
    long double value;
    int16_t int16;
    int32_t int32;
  } cases[] = {
      {10.5, 10, 10},
      {11.5, 12, 12},
      {2.5, 2, 2},
      {3.5, 4, 4},
      {-2.5, -2, -2},
      {-3.5, -4, -4},
      {2.4999999999999996, 2, 2},
      {-0.5, 0, 0},
      {0.5000000000000001, 1, 1},
      {70000, 4464, 70000},
      {32767.5, -32768, 32768},
      {-32768, -32768, -32768},
      {65535, -1, 65535},
      {2147483648.0, 0, INT32_MIN},
      {4294967297.0, 1, 1},
      {-4294967297.0, -1, -1},
      {4503599627370497.0, 1, 1},
      {1e300, 0, 0},
      {9007199254740993.0L, 1, 1},  // a double would have lost the last unit
      {1e400L, 0, 0},
      {-1e400L, 0, 0},
      {1e-400L, 0, 0},
      {std::nan(""), 0, 0},
      {HUGE_VAL, 0, 0},
      {-HUGE_VAL, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StoreInt16(c.value), c.int16) << c.value;
    EXPECT_EQ(StoreInt32(c.value), c.int32) << c.value;
  }
}

TEST(FloorValueTest, RoundsTowardMinusInfinity) {
  EXPECT_EQ(FloorValue(2.7), 2);
  EXPECT_EQ(FloorValue(-2.2), -3);
  EXPECT_EQ(FloorValue(-3), -3);
}

}  // namespace
