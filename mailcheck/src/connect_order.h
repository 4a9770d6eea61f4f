// The order and the time of the connect attempts to a host's addresses: IPv6 addresses
// first, then IPv4 (each in the resolver's order), and the time left of the connect bound
// shared among the addresses still to try, so that one address that never answers leaves
// time for the next.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

namespace vrxmail {

template <typename AddressInfo>
std::vector<const AddressInfo*> connectOrder(const AddressInfo* list, int inet6Family) {
  std::vector<const AddressInfo*> order;
  for (const AddressInfo* a = list; a != nullptr; a = a->ai_next) {
    if (a->ai_family == inet6Family) order.push_back(a);
  }
  for (const AddressInfo* a = list; a != nullptr; a = a->ai_next) {
    if (a->ai_family != inet6Family) order.push_back(a);
  }
  return order;
}

inline std::chrono::steady_clock::time_point attemptDeadline(
    std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point deadline,
    std::size_t addressesLeft) {
  if (now >= deadline || addressesLeft <= 1) return deadline;
  return now + (deadline - now) / static_cast<int>(addressesLeft);
}

}  // namespace vrxmail
