// The text helpers and PadNumber.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "payload/payload.h"
#include "setup/text.h"

namespace {

TEST(JoinText, JoinsPiecesThatFit) {
  char buffer[12];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_TRUE(JoinText(buffer, sizeof buffer, {"C:\\TARN", "\\", "ab"}));
  EXPECT_STREQ(buffer, "C:\\TARN\\ab");
}

TEST(JoinText, FillsTheBufferExactly) {
  char buffer[4];
  EXPECT_TRUE(JoinText(buffer, sizeof buffer, {"ab", "c"}));
  EXPECT_STREQ(buffer, "abc");
}

TEST(JoinText, RefusesOneCharacterTooMany) {
  char buffer[4];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_FALSE(JoinText(buffer, sizeof buffer, {"ab", "cd"}));
  EXPECT_STREQ(buffer, "");
}

TEST(JoinText, NeverReadsPastTheRoomLeft) {
  // A piece without NUL in reach must not be read beyond the room that is left.
  char piece[3] = {'x', 'y', 'z'};  // no NUL
  char buffer[3];
  EXPECT_FALSE(JoinText(buffer, sizeof buffer, {piece}));
  EXPECT_FALSE(JoinText(buffer, 0, {"a"}));
}

TEST(BoundedLength, StopsOneAfterTheLimit) {
  EXPECT_EQ(BoundedLength("abc", 5), 3u);
  EXPECT_EQ(BoundedLength("abc", 3), 3u);
  EXPECT_EQ(BoundedLength("abcdef", 3), 4u);
}

TEST(Text, GrowsAndKeepsItsContents) {
  Text text = {};
  EXPECT_STREQ(TextChars(&text), "");
  TextAssign(&text, "C:\\TARN");
  std::string expected = "C:\\TARN";
  for (int i = 0; i < 200; ++i) {
    TextAppend(&text, "\\users");
    expected += "\\users";
  }
  EXPECT_EQ(std::string(TextChars(&text)), expected);
  EXPECT_EQ(text.Length, expected.size());
  TextAppendChars(&text, "xyz", 2);
  EXPECT_EQ(std::string(TextChars(&text)), expected + "xy");
  TextAssign(&text, "short");
  EXPECT_STREQ(TextChars(&text), "short");
  TextFree(&text);
  EXPECT_EQ(text.Chars, nullptr);
}

TEST(PadNumber, FillsOnTheLeftAndNeverCuts) {
  struct Row {
    int32_t Number;
    char Fill;
    uint32_t Width;
    const char* Expected;
  };
  const Row rows[] = {
      {7, '0', 3, "007"},          {12, '0', 3, "012"},   {255, '0', 3, "255"},
      {1000, '0', 3, "1000"},      {0, '0', 3, "000"},    {5, ' ', 4, "   5"},
      {42, '0', 0, "42"},          {-5, '0', 3, "0-5"},   {INT32_MIN, '0', 3, "-2147483648"},
      {INT32_MAX, '0', 12, "002147483647"},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    Text text = PadNumber(rows[i].Number, rows[i].Fill, rows[i].Width);
    EXPECT_STREQ(TextChars(&text), rows[i].Expected) << "row " << i;
    TextFree(&text);
  }
}

}  // namespace
