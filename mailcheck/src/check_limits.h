// Bounds of one check: time-outs and how much a server may send.
#pragma once

#include <chrono>
#include <cstddef>

namespace vrxmail {

struct CheckLimits {
  // Connecting (name resolution excluded) gives up with 10060 after this.
  std::chrono::milliseconds connectTimeout{30000};
  // A server that sends nothing for this long while an answer is awaited: 10060.
  std::chrono::milliseconds silenceTimeout{60000};
  // A whole check, however slowly the server trickles: 10060.
  std::chrono::milliseconds checkTimeout{300000};
  // Longest line, and longest IMAP response including its literals.
  std::size_t maxResponseBytes = 4u << 20;
  // Everything one check may receive.
  std::size_t maxTotalBytes = 256u << 20;
  // How often a waiting check looks at its abort flag.
  std::chrono::milliseconds abortPollInterval{25};
};

}  // namespace vrxmail
