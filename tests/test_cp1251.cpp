// The Windows-1251 conversions, both directions.
#include <gtest/gtest.h>

#include <cstring>

#include "Cp1251.h"

TEST(Cp1251, ConvertsCyrillicAndKeepsAscii) {
  const char* s = RU("Старт движка");
  const unsigned char expect[] = {0xD1, 0xF2, 0xE0, 0xF0, 0xF2, 0x20, 0xE4,
                                  0xE2, 0xE8, 0xE6, 0xEA, 0xE0, 0x00};
  ASSERT_EQ(std::strlen(s), sizeof(expect) - 1);
  EXPECT_EQ(0, std::memcmp(s, expect, sizeof(expect)));
  EXPECT_STREQ(RU("abc %d\n"), "abc %d\n");
}

TEST(Cp1251, YoAndUnmappedCharacters) {
  const char* s = RU("Ёё€ж中");
  EXPECT_EQ(static_cast<unsigned char>(s[0]), 0xA8);
  EXPECT_EQ(static_cast<unsigned char>(s[1]), 0xB8);
  EXPECT_EQ(static_cast<unsigned char>(s[2]), 0x88);
  EXPECT_EQ(static_cast<unsigned char>(s[3]), 0xE6);
  EXPECT_EQ(s[4], '?');
  EXPECT_EQ(s[5], 0);
}

TEST(Cp1251, BytesAndCodePointsRoundTrip) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;  // the one byte without a character
    const unsigned cp = cp1251::ToCodePoint(static_cast<unsigned char>(b));
    ASSERT_NE(cp, 0u) << b;
    EXPECT_EQ(cp1251::FromCodePoint(cp), b) << b;
  }
  EXPECT_EQ(cp1251::ToCodePoint(0x98), 0u);
}

TEST(Cp1251, ToUtf8) {
  EXPECT_EQ(cp1251::ToUtf8(RU("Ёж abc №")), "Ёж abc №");
  EXPECT_EQ(cp1251::ToUtf8("\x98"), "?");
  EXPECT_EQ(cp1251::ToUtf8(nullptr), "");
}
