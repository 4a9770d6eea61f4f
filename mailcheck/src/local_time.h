// The platform's view of local time.
#pragma once

#include <cstdint>
#include <optional>

#include "civil_time.h"

namespace vrxmail {

// Seconds since 1970 UTC of a local wall-clock time, daylight saving resolved by the platform.
std::optional<int64_t> epochFromLocal(const CivilTime& local);
int64_t epochNow();

}  // namespace vrxmail
