// IMAP date texts: INTERNALDATE values and SEARCH SINCE arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vrxmail {

// "dd-Mon-yyyy hh:mm:ss +zzzz" (the day may be space-padded) to seconds since 1970 UTC.
std::optional<int64_t> parseInternalDate(std::string_view text);

// The "d-Mon-yyyy" date of the given UTC day.
std::string searchDate(int64_t epochSeconds);

}  // namespace vrxmail
