#include "civil_time.h"

#include <gtest/gtest.h>

namespace vrxmail {
namespace {

TEST(CivilTime, KnownInstants) {
  EXPECT_EQ(epochFromCivil({1970, 1, 1, 0, 0, 0}), 0);
  EXPECT_EQ(epochFromCivil({2000, 3, 1, 0, 0, 0}), 951868800);
  EXPECT_EQ(epochFromCivil({2026, 12, 6, 12, 10, 0}), 1796559000);
}

TEST(CivilTime, RoundTripsAcrossLeapDays) {
  for (int64_t t = 946684800; t < 946684800 + 3LL * 366 * 86400; t += 86400 - 7) {
    const CivilTime c = civilFromEpoch(t);
    ASSERT_TRUE(isValidCivil(c));
    ASSERT_EQ(epochFromCivil(c), t);
  }
}

TEST(CivilTime, RejectsImpossibleDates) {
  EXPECT_FALSE(isValidCivil({2025, 2, 29, 0, 0, 0}));
  EXPECT_TRUE(isValidCivil({2024, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(isValidCivil({1900, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(isValidCivil({2026, 13, 1, 0, 0, 0}));
  EXPECT_FALSE(isValidCivil({2026, 4, 31, 0, 0, 0}));
  EXPECT_FALSE(isValidCivil({2026, 4, 30, 24, 0, 0}));
}

TEST(CivilTime, MonthNames) {
  EXPECT_EQ(monthFromName("dec"), 12);
  EXPECT_EQ(monthFromName("JAN"), 1);
  EXPECT_EQ(monthFromName("Ja"), 0);
  EXPECT_EQ(monthFromName("Foo"), 0);
  EXPECT_STREQ(monthName(6), "Jun");
}

}  // namespace
}  // namespace vrxmail
