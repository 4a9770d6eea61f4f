// What the watch tests share: the events the library tells through its plain function
// pointer, an IMAP server played up to IDLE, and a wait for a condition with a deadline.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/scripted_server.h"
#include "vrxmail/mail_request.h"

namespace vrxmail::testing {

class WatchEvents {
 public:
  static WatchEvents& instance();
  static void VRXMAIL_CDECL onEvent(int32_t event);

  void reset();
  // Waits until at least count events of that kind were told; false at the limit.
  bool waitFor(int32_t event, int count,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
  int count(int32_t event) const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int32_t> events_;
};

// Greets listing the capabilities, accepts the login and answers EXAMINE with that many
// messages (none recent), then answers IDLE with "+" (its tag in idleTag when given). False
// when the client went another way.
bool playUntilIdle(ServerConnection& c, std::string* idleTag = nullptr, int exists = 3,
                   const std::string& capabilities = "IMAP4rev1 IDLE");

// The tag of a client's command line.
std::string tagOf(const std::string& line);

// Polls the condition until it holds or the limit passes; whether it held.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace vrxmail::testing
