// Console keys: escape sequences, Alt letters, UTF-8 input, the lone Escape and the queue.
#include "platform/console/linux/console_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A key without a character: byte 0 and the scan code.
std::string Scan(int code) {
  return std::string(1, '\0') + static_cast<char>(code);
}

TEST(ConsoleKeysTest, CompleteSequencesDecode) {
  struct Case {
    std::string bytes;
    std::string key;
  };
  const Case cases[] = {
      {"\x1b[A", Scan(72)},
      {"\x1bOA", Scan(72)},
      {"\x1b[B", Scan(80)},
      {"\x1b[C", Scan(77)},
      {"\x1b[D", Scan(75)},
      {"\x1b[1;5A", Scan(72)},
      {"\x1b[H", Scan(71)},
      {"\x1bOH", Scan(71)},
      {"\x1b[1~", Scan(71)},
      {"\x1b[F", Scan(79)},
      {"\x1b[4~", Scan(79)},
      {"\x1b[5~", Scan(73)},
      {"\x1b[6~", Scan(81)},
      {"\x1b[2~", Scan(82)},
      {"\x1b[3~", Scan(83)},
      {"\x1b[3;2~", Scan(83)},
      {"\x1bOP", Scan(59)},
      {"\x1bOS", Scan(62)},
      {"\x1b[11~", Scan(59)},
      {"\x1b[[A", Scan(59)},
      {"\x1b[[E", Scan(63)},
      {"\x1b[15~", Scan(63)},
      {"\x1b[17~", Scan(64)},
      {"\x1b[21~", Scan(68)},
      {"\x1b[23~", Scan(87)},
      {"\x1b[24~", Scan(88)},
      {"\x1b[1;2P", Scan(59)},
      {"\x1bq", Scan(16)},
      {"\x1bP", Scan(25)},
      {"\x1b"
       "a",
       Scan(30)},
      {"\x1bl", Scan(38)},
      {"\x1bz", Scan(44)},
      {"\x1bM", Scan(50)},
      {"\x1bOM", "\r"},
      {"\x1bOp", "0"},
      {"\x1b[Z", "\t"},
      {"\r", "\r"},
      {"\n", "\n"},
      {"\x7f", "\b"},
      {"\b", "\b"},
      {"\t", "\t"},
      {"\x03", "\x03"},
      {"p", "p"},
      {"P", "P"},
      {"\x1b\x1b", "\x1b"},
      {"\xc3\xa9", "\x82"},
      {"\xc3\x87", "\x80"},
      {"\xe2\x96\x91", "\xb0"},
      {"\xc2\xa0", "\xff"},
      {"\x1b"
       "1",
       "1"},
  };
  for (const Case& c : cases) {
    const DecodedKey decoded = DecodeKey(c.bytes, false);
    const size_t expectedUsed = c.bytes == "\x1b\x1b" ? 1 : c.bytes.size();
    EXPECT_EQ(decoded.key, c.key) << c.bytes.size() << " bytes: " << c.bytes.substr(1);
    EXPECT_EQ(decoded.used, expectedUsed) << c.bytes.substr(1);
  }
}

TEST(ConsoleKeysTest, UnknownSequencesAndForeignCharactersAreDropped) {
  const std::string cases[] = {
      "\x1b[200~",     // start of a paste
      "\x1b[?1;2c",    // a terminal's own reply
      "\x1b[24;80R",   // a late cursor position report
      "\x1b[1;5R",     // one on row 1, which looks like a modified F3
      "\xe2\x82\xac",  // the euro sign: no such character in the code page
      "\xe4\xb8\xad",  // a Chinese character
      "\xff",          // not UTF-8
  };
  for (const std::string& bytes : cases) {
    const DecodedKey decoded = DecodeKey(bytes, false);
    EXPECT_EQ(decoded.key, "") << bytes.substr(1);
    EXPECT_GE(decoded.used, 1u) << bytes.substr(1);
  }
}

TEST(ConsoleKeysTest, UnfinishedSequencesWaitUntilTimedOut) {
  struct Case {
    std::string bytes;
    std::string keyWhenTimedOut;
  };
  const Case cases[] = {
      {"\x1b", "\x1b"},     // the Escape key alone
      {"\x1bO", Scan(24)},  // Alt+O
      {"\x1b[", "["},       // Alt+[
      {"\x1b[1;5", ""},     // a cut sequence: dropped
      {"\xc3", ""},         // half a character: dropped
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeKey(c.bytes, false).used, 0u) << c.bytes.substr(1);
    const DecodedKey late = DecodeKey(c.bytes, true);
    EXPECT_EQ(late.used, c.bytes.size()) << c.bytes.substr(1);
    EXPECT_EQ(late.key, c.keyWhenTimedOut) << c.bytes.substr(1);
  }
}

TEST(ConsoleKeysTest, QueueGivesOneKeyPerCallAndEscapeAfterItsWait) {
  KeyQueue queue;
  queue.bytes = "\x1b[Ax\x1b[200~\x1b[1;3R\x7f\x1b";
  EXPECT_EQ(TakeKey(queue, 1000), Scan(72));
  EXPECT_EQ(TakeKey(queue, 1000), "x");
  EXPECT_EQ(TakeKey(queue, 1000), "\b");  // the paste marker and cursor report are skipped
  EXPECT_EQ(TakeKey(queue, 1000), "");    // a lone Escape waits
  EXPECT_EQ(KeyWaitMilliseconds(queue, 1010), EscapeWaitMilliseconds - 10);
  EXPECT_EQ(TakeKey(queue, 1000 + EscapeWaitMilliseconds - 1), "");
  EXPECT_EQ(TakeKey(queue, 1000 + EscapeWaitMilliseconds), "\x1b");
  EXPECT_EQ(TakeKey(queue, 2000), "");
  EXPECT_EQ(KeyWaitMilliseconds(queue, 2000), -1);
}

TEST(ConsoleKeysTest, EscapeCompletedInTimeIsOneKey) {
  KeyQueue queue;
  queue.bytes = "\x1b";
  EXPECT_EQ(TakeKey(queue, 0), "");
  queue.bytes += "[B";
  EXPECT_EQ(TakeKey(queue, 20), Scan(80));
  EXPECT_TRUE(queue.bytes.empty());
}

TEST(ConsoleKeysTest, CursorReportIsTakenOutOfTypedKeys) {
  std::string bytes = "ab\x1b[12;40Rcd";
  int row = 0;
  int column = 0;
  ASSERT_TRUE(TakeCursorReport(bytes, row, column));
  EXPECT_EQ(row, 12);
  EXPECT_EQ(column, 40);
  EXPECT_EQ(bytes, "abcd");

  std::string arrowsOnly = "\x1b[A\x1b[12;";
  EXPECT_FALSE(TakeCursorReport(arrowsOnly, row, column));
  EXPECT_EQ(arrowsOnly, "\x1b[A\x1b[12;");
}

}  // namespace
