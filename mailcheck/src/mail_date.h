// Message header dates (Date:, and the date after the last ';' of Received:).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vrxmail {

// "[Day,] d Mon yyyy hh:mm[:ss] zone [(comment)]" to seconds since 1970 UTC; numeric zones,
// the obsolete zone names and two-digit years are understood.
std::optional<int64_t> parseMailDate(std::string_view text);

// The date of a Received: field's value: the text after its last ';'.
std::optional<int64_t> parseReceivedDate(std::string_view value);

}  // namespace vrxmail
