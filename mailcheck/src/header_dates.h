// The arrival time of a message from its header block.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vrxmail {

// The date of the top Received: field when it can be read, else that of the Date: field.
// Folded lines are joined; the block ends at its first empty line.
std::optional<int64_t> arrivalFromHeaders(std::string_view headerBlock);

}  // namespace vrxmail
