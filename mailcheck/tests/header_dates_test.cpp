#include "header_dates.h"

#include <gtest/gtest.h>

#include "civil_time.h"

namespace vrxmail {
namespace {

const int64_t kNoon = epochFromCivil({2026, 12, 6, 12, 0, 0});

TEST(HeaderDates, TopReceivedWinsOverDateAndLowerReceived) {
  const char* block =
      "Return-Path: <a@b>\r\n"
      "Received: from relay by mx;\r\n"
      "\tSun, 6 Dec 2026 12:00:00 +0000\r\n"
      "Received: from origin by relay; Sun, 6 Dec 2026 11:00:00 +0000\r\n"
      "Date: Sat, 5 Dec 2026 10:00:00 +0000\r\n"
      "\r\n";
  EXPECT_EQ(arrivalFromHeaders(block), kNoon);
}

TEST(HeaderDates, DateWhenNoReceived) {
  EXPECT_EQ(arrivalFromHeaders("Subject: x\r\nDATE : Sun, 6 Dec 2026 13:00:00 +0100\r\n\r\n"),
            kNoon);
}

TEST(HeaderDates, DateWhenReceivedIsUnreadable) {
  EXPECT_EQ(arrivalFromHeaders("Received: from a by b\r\nDate: Sun, 6 Dec 2026 12:00:00 +0000\r\n"),
            kNoon);
}

TEST(HeaderDates, StopsAtTheEmptyLine) {
  EXPECT_FALSE(arrivalFromHeaders("Subject: x\r\n\r\nDate: Sun, 6 Dec 2026 12:00:00 +0000\r\n"));
}

TEST(HeaderDates, NothingReadable) {
  EXPECT_FALSE(arrivalFromHeaders(""));
  EXPECT_FALSE(arrivalFromHeaders("Date: soon\r\n"));
}

}  // namespace
}  // namespace vrxmail
