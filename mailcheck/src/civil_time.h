// Calendar arithmetic in UTC, independent of the platform's time functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vrxmail {

struct CivilTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

int64_t daysFromCivil(int year, int month, int day);
CivilTime civilFromEpoch(int64_t epochSeconds);
int64_t epochFromCivil(const CivilTime& t);  // treats t as UTC
bool isValidCivil(const CivilTime& t);

// "Jan".."Dec", case-insensitive; 1..12 or 0 when not a month.
int monthFromName(std::string_view name);
const char* monthName(int month);

}  // namespace vrxmail
