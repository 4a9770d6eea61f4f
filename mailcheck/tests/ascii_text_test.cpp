#include "ascii_text.h"

#include <gtest/gtest.h>

namespace vrxmail {
namespace {

TEST(AsciiText, TrimTakesSpacesAndTabsFromBothEndsOnly) {
  EXPECT_EQ(trim(" \tmail.example:143 \t"), "mail.example:143");
  EXPECT_EQ(trim("a b"), "a b");
  EXPECT_EQ(trim(" \r\n"), "\r\n");
  EXPECT_EQ(trim("  "), "");
}

TEST(AsciiText, CaseIsIgnoredForAsciiLettersOnly) {
  EXPECT_TRUE(equalsNoCase("esearch", "ESEARCH"));
  EXPECT_FALSE(equalsNoCase("OK", "OK "));
  EXPECT_FALSE(equalsNoCase("\xe9", "\xc9"));  // Latin-1 letters are not folded
  EXPECT_FALSE(equalsNoCase("[", "{"));        // 0x5B and 0x7B differ by the case bit
  EXPECT_TRUE(startsWithNoCase("STARTTLS:host", "starttls:"));
  EXPECT_FALSE(startsWithNoCase("tls", "tls:"));
}

TEST(AsciiText, DigitsWithinTheirCountOnly) {
  int value = -1;
  EXPECT_TRUE(parseDigits("07", 2, 2, value));
  EXPECT_EQ(value, 7);
  EXPECT_FALSE(parseDigits("7", 2, 2, value));
  EXPECT_FALSE(parseDigits("123", 1, 2, value));
  EXPECT_FALSE(parseDigits("1a", 1, 2, value));
  EXPECT_FALSE(parseDigits("+1", 1, 2, value));

  uint64_t number = 0;
  EXPECT_FALSE(parseNumber("18446744073709551615", number));  // 20 digits
  EXPECT_TRUE(parseNumber("9999999999999999999", number));
  EXPECT_EQ(number, 9999999999999999999ull);
  EXPECT_FALSE(parseNumber("", number));
  EXPECT_FALSE(parseNumber("-1", number));

  EXPECT_TRUE(allDigits("00012345678901234567890"));
  EXPECT_FALSE(allDigits(""));
  EXPECT_FALSE(allDigits("12 "));
}

}  // namespace
}  // namespace vrxmail
