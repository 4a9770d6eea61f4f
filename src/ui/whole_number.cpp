#include "ui/whole_number.h"

#include <limits>

namespace qp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<int32_t> ParseWholeNumber(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const size_t firstDigit = at;
    // Accumulated as a negative number, which has room for the lowest int32 value.
    int64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 - (text[at++] - '0');
        if (value < std::numeric_limits<int32_t>::min()) return std::nullopt;
    }
    if (at == firstDigit) return std::nullopt;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at != text.size()) return std::nullopt;
    if (!negative) {
        value = -value;
        if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

}  // namespace qp
