// One connection of a mailbox watch, on the calling thread: the stream and login of a check,
// EXAMINE INBOX, then IDLE until the connection is lost or the watch is stopped. IDLE is left
// and taken up again at the keep-alive interval, and after a quiet time, to see whether the
// server still answers.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "check_limits.h"
#include "mail_check.h"
#include "tls_stream.h"
#include "transport.h"
#include "watch_times.h"

namespace vrxmail {

// How a watch reaches its server (the bounds of the connect and of the login are a check's).
struct WatchContext {
  CheckLimits limits;
  Connector connect = openTcp;
  TlsStarter secure = startTls;
};

// Tells the owner of the watch a WatchEvent.
using WatchNotify = std::function<void(int32_t event)>;

// What one watch runs with.
struct WatchRun {
  CheckJob job;  // an IMAP server; the since-time is not used
  WatchTimes times;
  const std::atomic<bool>* abort = nullptr;
  WatchNotify notify;
};

enum class WatchEnd { dropped, idleUnavailable, stopped };

struct WatchConnectionEnd {
  WatchEnd how = WatchEnd::dropped;
  // From the first time the connection was in IDLE to its end; zero when it never got there.
  std::chrono::steady_clock::duration idleFor{0};
};

// announce: tell kWatchReconnected when IDLE is first reached. New mail is told (once for
// what came in one go) as kWatchNewMail.
WatchConnectionEnd watchConnection(const WatchRun& run, const WatchContext& context,
                                   bool announce);

}  // namespace vrxmail
