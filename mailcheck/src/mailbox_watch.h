// A mailbox watch from start to end, on the calling thread: connection after connection,
// with a wait between them that doubles after each failure up to a cap and starts again from
// its first value only after an IDLE that stayed up for the stable time, so a server that
// refuses or drops at once is never stormed.
#pragma once

#include <chrono>
#include <functional>

#include "watch_connection.h"

namespace vrxmail {

// Waits that long unless the watch is stopped first; false when it was stopped.
using WatchRest = std::function<bool(std::chrono::milliseconds)>;

// Returns when the watch is stopped, or after telling kWatchNoPush when the server does not
// offer IDLE. Every connection but the first tells kWatchReconnected when it reaches IDLE.
void runWatch(const WatchRun& run, const WatchContext& context, const WatchRest& rest);

}  // namespace vrxmail
