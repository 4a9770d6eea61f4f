#include "support/watch_support.h"

#include <algorithm>
#include <thread>

namespace vrxmail::testing {

using Clock = std::chrono::steady_clock;

WatchEvents& WatchEvents::instance() {
  static WatchEvents events;
  return events;
}

void VRXMAIL_CDECL WatchEvents::onEvent(int32_t event) {
  WatchEvents& self = instance();
  std::lock_guard<std::mutex> lock(self.mutex_);
  self.events_.push_back(event);
  self.changed_.notify_all();
}

void WatchEvents::reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
}

bool WatchEvents::waitFor(int32_t event, int count, std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, limit, [&] {
    return std::count(events_.begin(), events_.end(), event) >= count;
  });
}

int WatchEvents::count(int32_t event) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(std::count(events_.begin(), events_.end(), event));
}

std::string tagOf(const std::string& line) { return line.substr(0, line.find(' ')); }

bool playUntilIdle(ServerConnection& c, std::string* idleTag, int exists,
                   const std::string& capabilities) {
  c.send("* OK [CAPABILITY " + capabilities + "] ready\r\n");
  std::string line;
  if (!c.readLine(line) || line.find(" LOGIN ") == std::string::npos) return false;
  c.send(tagOf(line) + " OK [CAPABILITY " + capabilities + "] logged in\r\n");
  if (!c.readLine(line) || line.find(" EXAMINE INBOX") == std::string::npos) return false;
  c.send("* " + std::to_string(exists) + " EXISTS\r\n* 0 RECENT\r\n" + tagOf(line) +
         " OK [READ-ONLY] examined\r\n");
  if (!c.readLine(line) || line.find(" IDLE") == std::string::npos) return false;
  c.send("+ idling\r\n");
  if (idleTag != nullptr) *idleTag = tagOf(line);
  return true;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace vrxmail::testing
