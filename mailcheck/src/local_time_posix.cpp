#include <ctime>

#include "local_time.h"

namespace vrxmail {

std::optional<int64_t> epochFromLocal(const CivilTime& local) {
  std::tm tm{};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<int64_t>(t);
}

int64_t epochNow() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace vrxmail
