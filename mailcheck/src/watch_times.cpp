#include "watch_times.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "ascii_text.h"

namespace vrxmail {
namespace {

std::chrono::milliseconds* field(WatchTimes& times, std::string_view name) {
  if (equalsNoCase(name, "quiet")) return &times.quiet;
  if (equalsNoCase(name, "answer")) return &times.answer;
  if (equalsNoCase(name, "keepalive")) return &times.keepAlive;
  if (equalsNoCase(name, "backoff")) return &times.backOff;
  if (equalsNoCase(name, "cap")) return &times.backOffCap;
  if (equalsNoCase(name, "stable")) return &times.stable;
  return nullptr;
}

void applyItem(WatchTimes& times, std::string_view item) {
  item = trim(item);
  const std::size_t equals = item.find('=');
  if (equals == std::string_view::npos) return;
  std::chrono::milliseconds* target = field(times, trim(item.substr(0, equals)));
  uint64_t value = 0;
  if (target == nullptr || !parseNumber(trim(item.substr(equals + 1)), value)) return;
  const uint64_t longest = static_cast<uint64_t>(kLongestWatchTime.count());
  *target = std::max(kShortestWatchTime,
                     std::chrono::milliseconds(static_cast<int64_t>(std::min(value, longest))));
}

}  // namespace

WatchTimes parseWatchTimes(std::string_view text, WatchTimes base) {
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    applyItem(base, text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return base;
}

WatchTimes watchTimesFromEnvironment() {
  const char* text = std::getenv("VRXMAIL_WATCH_TIMES");
  return text != nullptr ? parseWatchTimes(text) : WatchTimes{};
}

}  // namespace vrxmail
