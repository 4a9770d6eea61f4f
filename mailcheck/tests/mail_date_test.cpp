#include "mail_date.h"

#include <gtest/gtest.h>

#include "civil_time.h"

namespace vrxmail {
namespace {

const int64_t kNoon = epochFromCivil({2026, 12, 6, 12, 0, 0});

TEST(MailDate, CommonForms) {
  EXPECT_EQ(parseMailDate("Sun, 6 Dec 2026 12:00:00 +0000"), kNoon);
  EXPECT_EQ(parseMailDate("6 Dec 2026 12:00:00 +0000"), kNoon);
  EXPECT_EQ(parseMailDate(" Sun,  06 Dec 2026 13:00:00 +0100 (CET)"), kNoon);
  EXPECT_EQ(parseMailDate("Sun, 6 Dec 2026 04:00:00 -0800"), kNoon);
  EXPECT_EQ(parseMailDate("Sun, 6 Dec 2026 12:00 +0000"), kNoon);
  EXPECT_EQ(parseMailDate("sun, 6 dec 2026 12:00:00 GMT"), kNoon);
  EXPECT_EQ(parseMailDate("Sun, 6 Dec 2026 07:00:00 EST"), kNoon);
  EXPECT_EQ(parseMailDate("Sun, 6 Dec 2026 05:00:00 PDT"), kNoon);
  EXPECT_EQ(parseMailDate("Sun, 6 Dec 26 12:00:00 UT"), kNoon);
}

TEST(MailDate, Rejections) {
  for (const char* bad : {"", "yesterday", "Sun, 6 Dec 2026", "Sun, 6 Dec 2026 12:00:00",
                          "Sun, 6 Foo 2026 12:00:00 +0000", "Sun, 36 Dec 2026 12:00:00 +0000",
                          "Sun, 6 Dec 2026 12:00:00 +00", "Sun, 6 Dec 2026 25:00:00 +0000"}) {
    EXPECT_FALSE(parseMailDate(bad)) << bad;
  }
}

TEST(MailDate, ReceivedTakesTheDateAfterTheLastSemicolon) {
  EXPECT_EQ(parseReceivedDate(" from a (b; c) by mx with ESMTP id x; Sun, 6 Dec 2026 12:00:00 +0000"),
            kNoon);
  EXPECT_FALSE(parseReceivedDate(" from a by b"));
}

}  // namespace
}  // namespace vrxmail
