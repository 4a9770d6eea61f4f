// The small text helpers the parsers share. ASCII only: no locale is consulted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vrxmail {

// Without the spaces and tabs at either end.
std::string_view trim(std::string_view s);

// Equal but for the case of ASCII letters.
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// No byte above 0x7F.
bool isAscii(std::string_view text);

// A non-empty text of decimal digits only.
bool allDigits(std::string_view s);

// A text of minDigits to maxDigits decimal digits and nothing else (maxDigits at most 9
// for int, 19 for uint64_t, so the value cannot overflow). value is written as the
// digits are read, also when a later character fails.
bool parseDigits(std::string_view s, std::size_t minDigits, std::size_t maxDigits, int& value);
bool parseDigits(std::string_view s, std::size_t minDigits, std::size_t maxDigits,
                 uint64_t& value);

// 1 to 19 decimal digits, as protocol counts and sizes are sent.
inline bool parseNumber(std::string_view text, uint64_t& value) {
  return parseDigits(text, 1, 19, value);
}

}  // namespace vrxmail
