#include "mail_date.h"

#include <cctype>
#include <string>
#include <vector>

#include "ascii_text.h"
#include "civil_time.h"

namespace vrxmail {
namespace {

// Splits on white space and commas, dropping parenthesised comments.
std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  int depth = 0;
  while (i < s.size() && out.size() < 16) {
    const char c = s[i];
    if (c == '(') {
      ++depth;
      ++i;
    } else if (c == ')') {
      if (depth > 0) --depth;
      ++i;
    } else if (depth > 0 || c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n') {
      ++i;
    } else {
      const std::size_t start = i;
      while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != ',' && s[i] != '(' &&
             s[i] != '\r' && s[i] != '\n') {
        ++i;
      }
      out.push_back(s.substr(start, i - start));
    }
  }
  return out;
}

std::optional<int> zoneOffsetSeconds(std::string_view z) {
  if (z.size() == 5 && (z[0] == '+' || z[0] == '-')) {
    int hh = 0;
    int mm = 0;
    if (!parseDigits(z.substr(1, 2), 2, 2, hh) || !parseDigits(z.substr(3, 2), 2, 2, mm) || mm > 59) {
      return std::nullopt;
    }
    return (hh * 3600 + mm * 60) * (z[0] == '-' ? -1 : 1);
  }
  struct Named {
    const char* name;
    int hours;
  };
  static const Named kNamed[] = {{"UT", 0},   {"UTC", 0},  {"GMT", 0},  {"Z", 0},
                                 {"EST", -5}, {"EDT", -4}, {"CST", -6}, {"CDT", -5},
                                 {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
  for (const Named& n : kNamed) {
    if (equalsNoCase(z, n.name)) return n.hours * 3600;
  }
  // Other military letters carry no reliable meaning: treated as UTC.
  if (z.size() == 1 && std::isalpha(static_cast<unsigned char>(z[0]))) return 0;
  return std::nullopt;
}

bool parseClock(std::string_view s, CivilTime& t) {
  const std::size_t c1 = s.find(':');
  if (c1 == std::string_view::npos) return false;
  const std::size_t c2 = s.find(':', c1 + 1);
  const std::string_view h = s.substr(0, c1);
  const std::string_view m =
      c2 == std::string_view::npos ? s.substr(c1 + 1) : s.substr(c1 + 1, c2 - c1 - 1);
  t.second = 0;
  if (!parseDigits(h, 1, 2, t.hour) || !parseDigits(m, 2, 2, t.minute)) return false;
  if (c2 != std::string_view::npos && !parseDigits(s.substr(c2 + 1), 2, 2, t.second)) return false;
  return true;
}

}  // namespace

std::optional<int64_t> parseMailDate(std::string_view text) {
  const std::vector<std::string_view> w = words(text);
  std::size_t i = 0;
  // An optional day name ("Tue").
  if (i < w.size() && !w[i].empty() && std::isalpha(static_cast<unsigned char>(w[i][0]))) ++i;
  if (w.size() < i + 5) return std::nullopt;
  CivilTime t;
  if (!parseDigits(w[i], 1, 2, t.day)) return std::nullopt;
  t.month = monthFromName(w[i + 1]);
  if (t.month == 0) return std::nullopt;
  if (!parseDigits(w[i + 2], 2, 4, t.year)) return std::nullopt;
  if (w[i + 2].size() == 2) {
    t.year += t.year < 50 ? 2000 : 1900;
  } else if (w[i + 2].size() == 3) {
    t.year += 1900;
  }
  if (!parseClock(w[i + 3], t)) return std::nullopt;
  const std::optional<int> zone = zoneOffsetSeconds(w[i + 4]);
  if (!zone || !isValidCivil(t)) return std::nullopt;
  return epochFromCivil(t) - *zone;
}

std::optional<int64_t> parseReceivedDate(std::string_view value) {
  const std::size_t semi = value.rfind(';');
  if (semi == std::string_view::npos) return std::nullopt;
  return parseMailDate(value.substr(semi + 1));
}

}  // namespace vrxmail
