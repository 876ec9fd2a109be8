// The byte-string operations the estimator's return search is written in.

#include <gtest/gtest.h>

#include <string>

#include "argcount/text_ops.h"

namespace kestrivo {
namespace {

TEST(FindText, Table) {
  struct Case {
    std::string text, pattern;
    int32_t start;
    bool ignoreCase;
    int32_t expected;
  };
  const Case cases[] = {
      {"push ebp\r\nret \r", "ret", 1, false, 11},
      {"RET ", "ret", 1, false, -1},             // with case
      {"RET ", "ret", 1, true, 1},               // without case
      {"retn 0008h", "RETN ", 1, true, 1},
      {"retret", "ret", 2, false, 4},            // from start on
      {"retret", "ret", 4, false, 4},
      {"retret", "ret", 5, false, -1},
      {"ret", "ret", 0, false, 1},               // a start below 1 counts as 1
      {"re", "ret", 1, false, -1},               // pattern longer than the rest
      {"ret \r\nint3 \r", "\r\n", 1, false, 5},
      {"ret \r", "\r\n", 1, false, -1},          // the last line has no LF
      {"abc", "", 1, false, 1},                  // empty pattern
      {"abc", "", 3, false, 1},
      {"abc", "", 4, false, -1},
      {"", "", 1, false, -1},
      {"", "ret", 1, false, -1},
      // A byte of 0x80 or more takes the next byte along: no match starts there.
      {"\x82ret", "ret", 1, false, -1},
      {"\x82xret", "ret", 1, false, 3},
      {"x\x82ret", "ret", 1, false, -1},
      {"\x82\x82ret", "ret", 1, false, 3},       // the second 0x82 is the first's partner
      {"a\x82\x41", "\x82\x41", 1, false, 2},
      {"\xE4", "\xC4", 1, true, -1},             // only ASCII letters fold
      {"\x82h", "H", 1, true, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.text, c.pattern, c.start, c.ignoreCase), c.expected)
        << "'" << c.text << "' '" << c.pattern << "' from " << c.start;
  }
}

TEST(MidLeftRightText, Table) {
  const std::string text = "abcdef";
  EXPECT_EQ(MidText(text, 2, 3), "bcd");
  EXPECT_EQ(MidText(text, 5, 10), "ef");
  EXPECT_EQ(MidText(text, 6, 1), "f");
  EXPECT_EQ(MidText(text, 0, 2), "");
  EXPECT_EQ(MidText(text, -3, 2), "");
  EXPECT_EQ(MidText(text, 7, 1), "");
  EXPECT_EQ(MidText(text, 1, 0), "");
  EXPECT_EQ(MidText(text, 1, -2), "");  // a return line with no CR LF after it
  EXPECT_EQ(LeftText(text, 2), "ab");
  EXPECT_EQ(LeftText(text, 9), "abcdef");
  EXPECT_EQ(LeftText(text, 0), "");
  EXPECT_EQ(LeftText(text, -1), "");
  EXPECT_EQ(RightText(text, 2), "ef");
  EXPECT_EQ(RightText(text, 6), "abcdef");
  EXPECT_EQ(RightText(text, 9), "abcdef");
  EXPECT_EQ(RightText(text, 0), "");
  EXPECT_EQ(RightText(text, -1), "");
  EXPECT_EQ(LeftText("", 3), "");
  EXPECT_EQ(RightText("", 3), "");
}

TEST(TextBetween, RetnOperand) {
  const std::pair<std::string, std::string> cases[] = {
      {"retn 0008h", "0008"},
      {"RETN 12H", "12"},      // markers match without case
      {"retn h", "h"},         // end marker at the start of the rest: rest whole
      {"retn 0008", "0008"},   // end marker missing: rest whole
      {"ret ", ""},
      {"", ""},
      {"retn ", ""},           // marker ends the text
      {"a retn 8h retn 9h", "8"},
      {"retd ", ""},           // what is left of "iretd "
      {"retf 0008h", ""},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(TextBetween(text, "retn ", "h"), expected) << "'" << text << "'";
  }
}

TEST(HexToInt, Table) {
  const std::pair<std::string, int32_t> cases[] = {
      {"0008", 8},
      {"ff", 255},
      {"FF", 255},
      {"1G", 16},          // a non-digit still holds its place
      {"0x10", 16},
      {"", 0},
      {"FFFC", 65532},
      {"7FFFFFFF", 2147483647},
      {"80000000", INT32_MIN},
      {"FFFFFFFF", -1},
      {"100000000", 0},    // wraps
      {"123456789", 0x23456789},
      {"\xC1", 0},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(HexToInt(text), expected) << "'" << text << "'";
}

}  // namespace
}  // namespace kestrivo
