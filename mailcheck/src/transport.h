// A byte stream to a mail server. The plain TCP stream is one implementation; an encrypted
// one can take its place without the protocol code knowing.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "check_limits.h"

namespace vrxmail {

enum class IoStatus { ok, closed, timedOut, aborted, failed };

struct IoResult {
  IoStatus status = IoStatus::ok;
  std::size_t bytes = 0;
  int32_t error = 0;  // Windows Sockets number when status is failed
};

// The bounds of a connection that lives on (the mailbox watch), which change with what it
// awaits: its owner sets them between reads, on the thread that reads.
struct WaitTimes {
  std::chrono::milliseconds silence{0};
  std::chrono::steady_clock::time_point deadline;
  // How often a wait looks at the abort flag; 0: as the limits say.
  std::chrono::milliseconds look{0};
};

// What every wait of one check is bounded by.
struct IoBounds {
  CheckLimits limits;
  const std::atomic<bool>* abort = nullptr;
  std::chrono::steady_clock::time_point checkDeadline;
  // When set, takes the place of limits.silenceTimeout and checkDeadline for reads and sends.
  const WaitTimes* waitTimes = nullptr;

  bool aborted() const { return abort != nullptr && abort->load(); }
  std::chrono::milliseconds lookInterval() const {
    return waitTimes != nullptr && waitTimes->look.count() > 0 ? waitTimes->look
                                                               : limits.abortPollInterval;
  }
  // The latest end of a wait for the peer that begins now.
  std::chrono::steady_clock::time_point waitDeadline() const {
    const auto now = std::chrono::steady_clock::now();
    if (waitTimes != nullptr) return std::min(now + waitTimes->silence, waitTimes->deadline);
    return std::min(now + limits.silenceTimeout, checkDeadline);
  }
};

class Transport {
 public:
  virtual ~Transport() = default;
  virtual IoResult sendAll(std::string_view data) = 0;
  // Waits at most the silence time-out (and never past the check's deadline) for some bytes.
  virtual IoResult receiveSome(char* buffer, std::size_t capacity) = 0;
};

struct Endpoint {
  std::string host;
  uint16_t port = 0;
};

// Opens a stream or gives the Windows Sockets number of why not.
using Connector = std::function<std::unique_ptr<Transport>(const Endpoint&, const IoBounds&,
                                                           int32_t& error)>;

// The plain TCP connector of the platform.
std::unique_ptr<Transport> openTcp(const Endpoint& endpoint, const IoBounds& bounds,
                                   int32_t& error);

}  // namespace vrxmail
