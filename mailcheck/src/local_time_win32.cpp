#include <windows.h>

#include "local_time.h"

namespace vrxmail {
namespace {

constexpr int64_t kFileTimeEpochOffset = 116444736000000000LL;  // 1601 to 1970 in 100 ns

int64_t epochFromFileTime(const FILETIME& ft) {
  const int64_t ticks =
      (static_cast<int64_t>(ft.dwHighDateTime) << 32) | static_cast<int64_t>(ft.dwLowDateTime);
  return (ticks - kFileTimeEpochOffset) / 10000000;
}

}  // namespace

std::optional<int64_t> epochFromLocal(const CivilTime& local) {
  SYSTEMTIME localTime{};
  localTime.wYear = static_cast<WORD>(local.year);
  localTime.wMonth = static_cast<WORD>(local.month);
  localTime.wDay = static_cast<WORD>(local.day);
  localTime.wHour = static_cast<WORD>(local.hour);
  localTime.wMinute = static_cast<WORD>(local.minute);
  localTime.wSecond = static_cast<WORD>(local.second);
  SYSTEMTIME utc{};
  FILETIME ft{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &utc)) return std::nullopt;
  if (!SystemTimeToFileTime(&utc, &ft)) return std::nullopt;
  return epochFromFileTime(ft);
}

int64_t epochNow() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  return epochFromFileTime(ft);
}

}  // namespace vrxmail
