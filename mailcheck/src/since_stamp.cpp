#include "since_stamp.h"

#include "ascii_text.h"

namespace vrxmail {
namespace {

// Exactly count digits at pos; pos moves past them.
bool readDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
  if (pos + count > text.size() || !parseDigits(text.substr(pos, count), count, count, value)) {
    return false;
  }
  pos += count;
  return true;
}

bool expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::optional<CivilTime> parseSinceStamp(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  CivilTime t;
  std::size_t pos = 0;
  if (!readDigits(text, pos, 4, t.year) || !expect(text, pos, '/') ||
      !readDigits(text, pos, 2, t.month) || !expect(text, pos, '/') ||
      !readDigits(text, pos, 2, t.day) || !expect(text, pos, ' ') ||
      !readDigits(text, pos, 2, t.hour) || !expect(text, pos, ':') ||
      !readDigits(text, pos, 2, t.minute) || pos != text.size()) {
    return std::nullopt;
  }
  if (!isValidCivil(t) || t.year < 1970) return std::nullopt;
  return t;
}

}  // namespace vrxmail
