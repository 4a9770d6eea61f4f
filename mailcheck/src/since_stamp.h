// The since-stamp text "YYYY/MM/DD hh:mm" (local time, to the minute).
#pragma once

#include <optional>
#include <string_view>

#include "civil_time.h"

namespace vrxmail {

std::optional<CivilTime> parseSinceStamp(std::string_view text);

}  // namespace vrxmail
