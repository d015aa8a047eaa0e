// Tests for the text operations, the date and time texts, the command tail and error codes.
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <regex>
#include <string>

#include "base/error_code.h"
#include "platform/process/date_time.h"
#include "platform/process/command_line.h"
#include "base/text_rules.h"
#include "platform/files/linux/errno_codes.h"

namespace {

using namespace std::string_literals;

TEST(TextRulesTest, UpperCaseChangesOnlyLettersAndTheSevenPairs) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  std::string expected = every;
  for (size_t b = 'a'; b <= 'z'; ++b) expected[b] = static_cast<char>(b - 32);
  const size_t pairs[][2] = {{0x84, 0x8E}, {0x94, 0x99}, {0x81, 0x9A}, {0x82, 0x90},
                             {0xA4, 0xA5}, {0x86, 0x8F}, {0x87, 0x80}};
  for (const auto& pair : pairs) expected[pair[0]] = static_cast<char>(pair[1]);
  EXPECT_EQ(UpperCase(every), expected);
  EXPECT_EQ(UpperCase(""), "");
}

TEST(TextRulesTest, FindText) {
  const struct {
    int start;
    std::string text, wanted;
    int position;
  } cases[] = {
      {1, "-SETUP -TEST", "-TEST", 8},
      {1, "-SETUP -TEST", "-test", 0},
      {1, "", "a", 0},
      {1, "abc", "", 0},
      {1, "ab", "abc", 0},
      {0, "abab", "ab", 1},
      {2, "abab", "ab", 3},
      {3, "abab", "ab", 3},
      {4, "abab", "ab", 0},
      {9, "abab", "b", 0},
      // Backwards: the last occurrence starting at or before byte length + start + 1.
      {-1, "abab", "ab", 3},
      {-2, "abab", "ab", 3},
      {-3, "abab", "ab", 1},
      {-4, "abab", "ab", 1},
      {-5, "abab", "ab", 0},
      {-1, "abab", "x", 0},
      {-1, "abab", "b", 4},
      {1, "a\0b\0b"s, "\0b"s, 2},
      {-1, "a\0b\0b"s, "\0b"s, 4},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindText(c.start, c.text, c.wanted), c.position)
        << c.start << " '" << c.text << "' '" << c.wanted << "'";
}

TEST(TextRulesTest, CompareText) {
  const struct {
    std::string a, b;
    int result;
  } cases[] = {
      {"a", "b", -1},   {"b", "a", 1}, {"abc", "abc", 0}, {"a", "ab", -1}, {"ab", "a", 1},
      {"", "", 0},      {"", "a", -1}, {"\x80", "a", 1},  {"Z", "a", -1},  {"a\0b"s, "a\0c"s, -1},
      {"a\0"s, "a", 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CompareText(c.a, c.b), c.result) << "'" << c.a << "' '" << c.b << "'";
}

TEST(TextRulesTest, Trims) {
  EXPECT_EQ(TrimLeadingSpaces("  a b "), "a b ");
  EXPECT_EQ(TrimLeadingSpaces("\t a"), "\t a");
  EXPECT_EQ(TrimLeadingSpaces("   "), "");
  EXPECT_EQ(TrimLeadingSpaces(""), "");

  const std::string nulSpace = "\0 "s;
  const struct {
    std::string text, pattern, left, right;
  } cases[] = {
      {" name ", nulSpace, " name ", " name "},
      {"\0 \0 name\0 \0 "s, nulSpace, "name\0 \0 "s, "\0 \0 name"s},
      {"\0name\0"s, nulSpace, "\0name\0"s, "\0name\0"s},
      {" \0name \0"s, nulSpace, " \0name \0"s, " \0name \0"s},
      {"ababa", "ab", "a", "ababa"},
      {"ababa", "ba", "ababa", "a"},
      {"abab", "ab", "", ""},
      {"ab", "abc", "ab", "ab"},
      {"ab", "", "ab", "ab"},
      {"", "a", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimPatternLeft(c.text, c.pattern), c.left) << c.text;
    EXPECT_EQ(TrimPatternRight(c.text, c.pattern), c.right) << c.text;
  }
}

TEST(TextRulesTest, Fields) {
  const struct {
    std::string text, delimiter;
    int count;
  } counts[] = {
      {"a,b", ",", 2},      {"", ",", 1},    {"a,,b", ",", 3}, {",,,", ",,", 2},
      {"a::b::c", "::", 3}, {"abc", ",", 1}, {"a,b", "", 1},   {"a\0b\0c"s, "\0"s, 3},
  };
  for (const auto& c : counts) EXPECT_EQ(FieldCount(c.text, c.delimiter), c.count) << c.text;

  const struct {
    std::string text, delimiter;
    int index;
    std::string field;
  } fields[] = {
      {"a,b", ",", 1, "a"},          {"a,b", ",", 2, "b"},      {"a,b", ",", 3, ""},
      {"a,b", ",", 0, ""},           {"a,b", ",", -1, "b"},     {"a,b", ",", -2, "a"},
      {"a,b", ",", -3, ""},          {"a::b::c", "::", 2, "b"}, {"a::b::c", "::", 3, "c"},
      {"a,,b", ",", 2, ""},          {",,,", ",,", 2, ","},     {"", ",", 1, ""},
      {"a\0bb\0c"s, "\0"s, 2, "bb"}, {"ab", "", 1, "ab"},
  };
  for (const auto& c : fields)
    EXPECT_EQ(FieldAt(c.text, c.delimiter, c.index), c.field) << c.text << " " << c.index;
}

TEST(TextRulesTest, SubText) {
  const struct {
    std::string text;
    int start, length;
    std::string result;
  } cases[] = {
      {"hello", 2, 3, "ell"},  {"hello", 1, 99, "hello"}, {"hello", 0, 2, ""},
      {"hello", 6, 1, ""},     {"hello", 5, 9, "o"},      {"hello", -1, 1, "o"},
      {"hello", -3, 2, "ll"},  {"hello", -5, 1, "h"},     {"hello", -6, 1, ""},
      {"hello", 2, 0, ""},     {"hello", 2, -1, ""},      {"", 1, 1, ""},
      {"a\0b"s, 2, 2, "\0b"s},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SubText(c.text, c.start, c.length), c.result) << c.start << "," << c.length;
}

TEST(TextRulesTest, RepeatByte) {
  EXPECT_EQ(RepeatByte(3, "xy"), "xxx");
  EXPECT_EQ(RepeatByte(2, ""), "\0\0"s);
  EXPECT_EQ(RepeatByte(0, "x"), "");
  EXPECT_EQ(RepeatByte(-1, "x"), "");
}

// The texts match the clock read around them (retried if a second ticks in between).
TEST(TextRulesTest, DateAndTimeTexts) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::time_t before = std::time(nullptr);
    std::string date = DateText();
    std::string time = TimeText();
    if (std::time(nullptr) != before) continue;
    std::tm local{};
    localtime_r(&before, &local);
    char expected[96];
    std::snprintf(expected, sizeof expected, "%02d-%02d-%04d %02d:%02d:%02d", local.tm_mon + 1,
                  local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    EXPECT_EQ(date + " " + time, expected);
    EXPECT_EQ(date.size(), 10u);
    EXPECT_EQ(time.size(), 8u);
    return;
  }
  FAIL() << "the clock never held still for one second";
}

TEST(TextRulesTest, CommandTailOf) {
  const struct {
    std::string line, tail;
  } cases[] = {
      {"tavrel -RUN", "-RUN"},
      {"tavrel    -RUN  ", "-RUN  "},
      {"\"C:\\My Apps\\TAVREL.EXE\"  -SETUP", "-SETUP"},
      {"\"tavrel\"-RUN", "-RUN"},
      {"\"unclosed name -RUN", ""},
      {"tavrel\t-RUN", "\t-RUN"},
      {"tavrel", ""},
      {"", ""},
      {"tavrel \"a b\" ", "\"a b\" "},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandTailOf(c.line), c.tail) << c.line;
}

TEST(TextRulesTest, CommandLineQuotesArgumentsWithBlanks) {
  char name[] = "/opt/the shop/tavrel";
  char run[] = "-RUN";
  char words[] = "two words";
  char last[] = "x";
  char* argv[] = {name, run, words, last, nullptr};
  SetCommandLine(4, argv);
  EXPECT_EQ(CommandLine(), "\"/opt/the shop/tavrel\" -RUN \"two words\" x");
  EXPECT_EQ(CommandTail(), "-RUN \"two words\" x");

  char plain[] = "tavrel";
  char* alone[] = {plain, nullptr};
  SetCommandLine(1, alone);
  EXPECT_EQ(CommandLine(), "tavrel");
  EXPECT_EQ(CommandTail(), "");
}

TEST(ErrorCodeTest, MapsErrnoAndClears) {
  const int cases[][2] = {
      {0, 0},       {ENOENT, 53},  {ENOTDIR, 76}, {EACCES, 70}, {EPERM, 70},  {EAGAIN, 70},
      {EROFS, 70},  {ETXTBSY, 70}, {EBUSY, 70},   {EMFILE, 67}, {ENFILE, 67}, {ENOMEM, 7},
      {ENOSPC, 61}, {EDQUOT, 61},  {EIO, 72},     {EXDEV, 74},  {EINVAL, 75}, {EISDIR, 75},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorCodeFromErrno(c[0]), c[1]) << c[0];
  ErrorCode = 53;
  ClearErrorCode();
  EXPECT_EQ(ErrorCode, 0);
}

}  // namespace
