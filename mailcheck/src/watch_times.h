// The intervals of a mailbox watch, and their shortened form for tests read from the
// environment variable VRXMAIL_WATCH_TIMES ("quiet=ms,answer=ms,keepalive=ms,backoff=ms,
// cap=ms,stable=ms", any subset).
#pragma once

#include <chrono>
#include <string_view>

namespace vrxmail {

struct WatchTimes {
  // Nothing at all from the server for this long while idling: DONE, to see if it lives.
  std::chrono::milliseconds quiet{180000};
  // A tagged answer (to DONE) or the continuation request (to IDLE) not come within this:
  // the connection is dead.
  std::chrono::milliseconds answer{15000};
  // IDLE is left and taken up again at least this often (servers drop it after 30 minutes).
  std::chrono::milliseconds keepAlive{29 * 60000};
  // The first wait before a reconnection; it doubles with each failure up to the cap.
  std::chrono::milliseconds backOff{2000};
  std::chrono::milliseconds backOffCap{300000};
  // An IDLE that stayed up this long resets the wait to its first value.
  std::chrono::milliseconds stable{60000};
};

// The shortest and longest value an item of the text may set.
constexpr std::chrono::milliseconds kShortestWatchTime{50};
constexpr std::chrono::milliseconds kLongestWatchTime{24 * 3600 * 1000};

// base with the items of text applied; an unknown name or an unreadable value is ignored.
WatchTimes parseWatchTimes(std::string_view text, WatchTimes base = {});

// The defaults with VRXMAIL_WATCH_TIMES applied, read anew at each call.
WatchTimes watchTimesFromEnvironment();

}  // namespace vrxmail
