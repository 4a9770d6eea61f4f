#include "ascii_text.h"

namespace vrxmail {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

template <class Number>
bool readDigits(std::string_view s, std::size_t minDigits, std::size_t maxDigits, Number& value) {
  if (s.size() < minDigits || s.size() > maxDigits) return false;
  value = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<Number>(c - '0');
  }
  return true;
}

}  // namespace

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool isAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) > 0x7F) return false;
  }
  return true;
}

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool parseDigits(std::string_view s, std::size_t minDigits, std::size_t maxDigits, int& value) {
  return readDigits(s, minDigits, maxDigits, value);
}

bool parseDigits(std::string_view s, std::size_t minDigits, std::size_t maxDigits,
                 uint64_t& value) {
  return readDigits(s, minDigits, maxDigits, value);
}

}  // namespace vrxmail
