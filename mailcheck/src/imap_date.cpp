#include "imap_date.h"

#include "ascii_text.h"
#include "civil_time.h"

namespace vrxmail {
namespace {

// Exactly n digits at pos.
bool digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
  return pos + n <= s.size() && parseDigits(s.substr(pos, n), n, n, out);
}

}  // namespace

std::optional<int64_t> parseInternalDate(std::string_view s) {
  if (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  CivilTime t;
  std::size_t pos = 0;
  if (s.size() >= 2 && s[1] == '-') {
    if (!digits(s, 0, 1, t.day)) return std::nullopt;
    pos = 1;
  } else {
    if (!digits(s, 0, 2, t.day)) return std::nullopt;
    pos = 2;
  }
  // "-Mon-yyyy hh:mm:ss +zzzz"
  if (s.size() != pos + 24) return std::nullopt;
  if (s[pos] != '-' || s[pos + 4] != '-' || s[pos + 9] != ' ' || s[pos + 12] != ':' ||
      s[pos + 15] != ':' || s[pos + 18] != ' ') {
    return std::nullopt;
  }
  t.month = monthFromName(s.substr(pos + 1, 3));
  int zh = 0;
  int zm = 0;
  const char sign = s[pos + 19];
  if (t.month == 0 || !digits(s, pos + 5, 4, t.year) || !digits(s, pos + 10, 2, t.hour) ||
      !digits(s, pos + 13, 2, t.minute) || !digits(s, pos + 16, 2, t.second) ||
      (sign != '+' && sign != '-') || !digits(s, pos + 20, 2, zh) ||
      !digits(s, pos + 22, 2, zm) || zm > 59 || !isValidCivil(t)) {
    return std::nullopt;
  }
  const int64_t offset = (zh * 3600 + zm * 60) * (sign == '-' ? -1 : 1);
  return epochFromCivil(t) - offset;
}

std::string searchDate(int64_t epochSeconds) {
  const CivilTime t = civilFromEpoch(epochSeconds);
  return std::to_string(t.day) + "-" + monthName(t.month) + "-" + std::to_string(t.year);
}

}  // namespace vrxmail
