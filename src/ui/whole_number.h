#pragma once
// The text form of a whole number as a user types it into a field.
#include <cstdint>
#include <optional>
#include <string>

namespace qp {

// Spaces or tabs around, an optional sign, at least one decimal digit, and a value that
// fits in 32 bits; anything else (empty, "5a", "1.5", "99999999999") is not a whole number.
std::optional<int32_t> ParseWholeNumber(const std::string& text);

}  // namespace qp
