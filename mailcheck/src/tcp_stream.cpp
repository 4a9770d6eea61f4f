#include "tcp_stream.h"

#include <algorithm>
#include <utility>

#include "result_codes.h"

namespace vrxmail {

using Clock = std::chrono::steady_clock;

IoResult waitReady(TcpSocket& socket, SocketWait wanted, Clock::time_point deadline,
                   const IoBounds& bounds) {
  for (;;) {
    if (bounds.aborted()) return {IoStatus::aborted, 0, kWsaInterrupted};
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return {IoStatus::timedOut, 0, kWsaTimedOut};
    const auto slice = std::min<Clock::duration>(deadline - now, bounds.lookInterval());
    const SocketResult r = socket.wait(wanted, slice);
    if (r.status == SocketResult::done) return {};
    if (r.status == SocketResult::failed) return {IoStatus::failed, 0, r.error};
  }
}

TcpStream::TcpStream(std::unique_ptr<TcpSocket> socket, const IoBounds& bounds)
    : socket_(std::move(socket)), bounds_(bounds) {}

IoResult TcpStream::sendAll(std::string_view data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const IoResult ready =
        waitReady(*socket_, SocketWait::writable, bounds_.waitDeadline(), bounds_);
    if (ready.status != IoStatus::ok) return ready;
    const SocketResult r = socket_->send(data.data() + sent, data.size() - sent);
    if (r.status == SocketResult::failed) return {IoStatus::failed, sent, r.error};
    sent += r.bytes;
  }
  return {IoStatus::ok, sent, 0};
}

IoResult TcpStream::receiveSome(char* buffer, std::size_t capacity) {
  for (;;) {
    const IoResult ready =
        waitReady(*socket_, SocketWait::readable, bounds_.waitDeadline(), bounds_);
    if (ready.status != IoStatus::ok) return ready;
    const SocketResult r = socket_->receive(buffer, capacity);
    if (r.status == SocketResult::failed) return {IoStatus::failed, 0, r.error};
    if (r.status == SocketResult::done) {
      if (r.bytes == 0) return {IoStatus::closed, 0, 0};
      return {IoStatus::ok, r.bytes, 0};
    }
  }
}

}  // namespace vrxmail
