#include "mailbox_watch.h"

#include <algorithm>

namespace vrxmail {
namespace {

// Running out of memory, or anything else thrown, costs the connection, not the watch.
WatchConnectionEnd connectOnce(const WatchRun& run, const WatchContext& context, bool announce) {
  try {
    return watchConnection(run, context, announce);
  } catch (...) {
    return {};
  }
}

}  // namespace

void runWatch(const WatchRun& run, const WatchContext& context, const WatchRest& rest) {
  const WatchTimes& times = run.times;
  std::chrono::milliseconds wait = std::min(times.backOff, times.backOffCap);
  for (bool first = true;; first = false) {
    const WatchConnectionEnd end = connectOnce(run, context, !first);
    if (end.how == WatchEnd::stopped) return;
    if (end.how == WatchEnd::idleUnavailable) {
      run.notify(kWatchNoPush);
      return;
    }
    if (end.idleFor >= times.stable) wait = std::min(times.backOff, times.backOffCap);
    if (!rest(wait)) return;
    wait = std::min(wait * 2, times.backOffCap);
  }
}

}  // namespace vrxmail
