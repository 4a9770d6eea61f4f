#include "imap_date.h"

#include <gtest/gtest.h>

#include "civil_time.h"

namespace vrxmail {
namespace {

TEST(ImapDate, InternalDateWithZones) {
  const int64_t utc = epochFromCivil({2026, 12, 6, 13, 0, 0});
  EXPECT_EQ(parseInternalDate("06-Dec-2026 13:00:00 +0000"), utc);
  EXPECT_EQ(parseInternalDate(" 6-Dec-2026 13:00:00 +0000"), utc);
  EXPECT_EQ(parseInternalDate("6-Dec-2026 13:00:00 +0000"), utc);
  EXPECT_EQ(parseInternalDate("06-Dec-2026 23:30:00 +1030"), utc);
  EXPECT_EQ(parseInternalDate("06-Dec-2026 05:00:00 -0800"), utc);
  // Across the day boundary.
  EXPECT_EQ(parseInternalDate("07-Dec-2026 01:00:00 +1200"), utc);
}

TEST(ImapDate, RejectsMalformedDates) {
  for (const char* bad : {"", "06-Dec-2026 13:00:00", "06-Dez-2026 13:00:00 +0000",
                          "06-Dec-2026 13:00:00 0000", "32-Dec-2026 13:00:00 +0000",
                          "06-Dec-2026 13:00:00 +0060", "06-Dec-2026 13-00-00 +0000",
                          "06-Dec-2026 13:00:00 +0000 ", "aa-Dec-2026 13:00:00 +0000"}) {
    EXPECT_FALSE(parseInternalDate(bad)) << bad;
  }
}

TEST(ImapDate, SearchDateIsTheUtcDay) {
  EXPECT_EQ(searchDate(epochFromCivil({2026, 12, 6, 23, 59, 59})), "6-Dec-2026");
  EXPECT_EQ(searchDate(epochFromCivil({2027, 1, 1, 0, 0, 0})), "1-Jan-2027");
}

}  // namespace
}  // namespace vrxmail
