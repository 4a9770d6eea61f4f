#include "since_stamp.h"

#include <gtest/gtest.h>

namespace vrxmail {
namespace {

TEST(SinceStamp, ReadsTheProgramsForm) {
  const auto t = parseSinceStamp("2003/05/06 14:07");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->year, 2003);
  EXPECT_EQ(t->month, 5);
  EXPECT_EQ(t->day, 6);
  EXPECT_EQ(t->hour, 14);
  EXPECT_EQ(t->minute, 7);
  EXPECT_EQ(t->second, 0);
}

TEST(SinceStamp, ToleratesSurroundingBlanks) {
  EXPECT_TRUE(parseSinceStamp(" 2026/12/07 09:55 "));
}

TEST(SinceStamp, RejectsOtherForms) {
  for (const char* bad : {"", "2026/12/07", "2026-12-07 09:55", "2026/12/07 9:55",
                          "2026/12/07 09:55:00", "2026/13/07 09:55", "2026/02/30 09:55",
                          "2026/12/07 24:00", "2026/12/07 23:60", "1969/12/31 23:59",
                          "20x6/12/07 09:55", "2026/12/07  09:55"}) {
    EXPECT_FALSE(parseSinceStamp(bad)) << bad;
  }
}

}  // namespace
}  // namespace vrxmail
