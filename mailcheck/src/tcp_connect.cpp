#include "tcp_connect.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "connect_order.h"
#include "result_codes.h"
#include "tcp_stream.h"

namespace vrxmail {
namespace {

using Clock = std::chrono::steady_clock;

struct FreeAddresses {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, FreeAddresses>;

// One address: a non-blocking connect, waited for until the deadline. A blocking connect
// cannot be bounded on every platform we run on.
int32_t connectOne(SocketLibrary& sockets, const addrinfo& address, Clock::time_point deadline,
                   const IoBounds& bounds, std::unique_ptr<TcpSocket>& out) {
  int32_t error = kSuccess;
  std::unique_ptr<TcpSocket> socket = sockets.open(address, error);
  if (!socket) return error;
  const SocketResult started = socket->startConnect(address);
  if (started.status == SocketResult::failed) return started.error;
  if (started.status == SocketResult::notYet) {
    const IoResult writable = waitReady(*socket, SocketWait::writable, deadline, bounds);
    if (writable.status != IoStatus::ok) return writable.error;
    error = socket->connectError();
    if (error != kSuccess) return error;
  }
  out = std::move(socket);
  return kSuccess;
}

}  // namespace

std::unique_ptr<Transport> connectInOrder(const addrinfo* addresses, const IoBounds& bounds,
                                          SocketLibrary& sockets, int32_t& error) {
  const Clock::time_point deadline =
      std::min(Clock::now() + bounds.limits.connectTimeout, bounds.checkDeadline);
  const std::vector<const addrinfo*> order = connectOrder(addresses, AF_INET6);
  error = kWsaHostNotFound;
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::unique_ptr<TcpSocket> socket;
    error = connectOne(sockets, *order[i],
                       attemptDeadline(Clock::now(), deadline, order.size() - i), bounds, socket);
    if (error == kSuccess) return std::make_unique<TcpStream>(std::move(socket), bounds);
    if (error == kWsaInterrupted || Clock::now() >= deadline) return nullptr;
  }
  return nullptr;
}

std::unique_ptr<Transport> openTcpTo(const addrinfo* addresses, const IoBounds& bounds,
                                     int32_t& error) {
  const std::unique_ptr<SocketLibrary> sockets = startSockets(error);
  if (!sockets) return nullptr;
  return connectInOrder(addresses, bounds, *sockets, error);
}

std::unique_ptr<Transport> openTcp(const Endpoint& endpoint, const IoBounds& bounds,
                                   int32_t& error) {
  const std::unique_ptr<SocketLibrary> sockets = startSockets(error);
  if (!sockets) return nullptr;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  const std::string port = std::to_string(endpoint.port);
  addrinfo* found = nullptr;
  const int resolved = getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, &found);
  const AddressList addresses(found);
  if (resolved != 0) {
    error = sockets->resolveError(resolved);
    return nullptr;
  }
  return connectInOrder(addresses.get(), bounds, *sockets, error);
}

}  // namespace vrxmail
