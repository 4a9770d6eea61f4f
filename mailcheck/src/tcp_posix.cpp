// Plain TCP over POSIX sockets, with every wait bounded and abortable.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "connect_order.h"
#include "result_codes.h"
#include "socket_errors.h"
#include "tcp_connect.h"
#include "transport.h"

namespace vrxmail {
namespace {

using Clock = std::chrono::steady_clock;

class SocketHandle {
 public:
  explicit SocketHandle(int fd = -1) : fd_(fd) {}
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;
  SocketHandle(SocketHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  SocketHandle& operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  ~SocketHandle() { reset(); }
  int get() const { return fd_; }

 private:
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd_;
};

class AddressList {
 public:
  AddressList() = default;
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;
  ~AddressList() {
    if (list_ != nullptr) ::freeaddrinfo(list_);
  }
  addrinfo** out() { return &list_; }
  const addrinfo* get() const { return list_; }

 private:
  addrinfo* list_ = nullptr;
};

enum class Wait { ready, timedOut, aborted, failed };

// Waits for the socket in short slices so that an abort is seen promptly.
Wait waitFor(int fd, short events, Clock::time_point deadline, const IoBounds& bounds) {
  for (;;) {
    if (bounds.aborted()) return Wait::aborted;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return Wait::timedOut;
    const auto slice = std::min<Clock::duration>(deadline - now, bounds.limits.abortPollInterval);
    pollfd p{fd, events, 0};
    const int ms = static_cast<int>(
        std::max<long long>(1, std::chrono::duration_cast<std::chrono::milliseconds>(slice).count()));
    const int r = ::poll(&p, 1, ms);
    if (r > 0) return Wait::ready;
    if (r < 0 && errno != EINTR) return Wait::failed;
  }
}

class TcpTransport final : public Transport {
 public:
  TcpTransport(SocketHandle socket, const IoBounds& bounds)
      : socket_(std::move(socket)), bounds_(bounds) {}

  IoResult sendAll(std::string_view data) override {
    std::size_t sent = 0;
    while (sent < data.size()) {
      const Wait w = waitFor(socket_.get(), POLLOUT, ioDeadline(), bounds_);
      if (w != Wait::ready) return waitResult(w);
      const ssize_t n = ::send(socket_.get(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        return {IoStatus::failed, sent, winsockFromErrno(errno)};
      }
      sent += static_cast<std::size_t>(n);
    }
    return {IoStatus::ok, sent, 0};
  }

  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    for (;;) {
      const Wait w = waitFor(socket_.get(), POLLIN, ioDeadline(), bounds_);
      if (w != Wait::ready) return waitResult(w);
      const ssize_t n = ::recv(socket_.get(), buffer, capacity, 0);
      if (n > 0) return {IoStatus::ok, static_cast<std::size_t>(n), 0};
      if (n == 0) return {IoStatus::closed, 0, 0};
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return {IoStatus::failed, 0, winsockFromErrno(errno)};
    }
  }

 private:
  Clock::time_point ioDeadline() const {
    return std::min(Clock::now() + bounds_.limits.silenceTimeout, bounds_.checkDeadline);
  }

  static IoResult waitResult(Wait w) {
    switch (w) {
      case Wait::timedOut: return {IoStatus::timedOut, 0, kWsaTimedOut};
      case Wait::aborted: return {IoStatus::aborted, 0, kWsaInterrupted};
      case Wait::failed:
      case Wait::ready: break;
    }
    return {IoStatus::failed, 0, winsockFromErrno(errno)};
  }

  SocketHandle socket_;
  IoBounds bounds_;
};

// One address: a non-blocking connect, waited for until the deadline.
int32_t connectOne(const addrinfo& a, Clock::time_point deadline, const IoBounds& bounds,
                   SocketHandle& out) {
  SocketHandle s(::socket(a.ai_family, a.ai_socktype | SOCK_CLOEXEC, a.ai_protocol));
  if (s.get() < 0) return winsockFromErrno(errno);
  const int flags = ::fcntl(s.get(), F_GETFL, 0);
  if (flags < 0 || ::fcntl(s.get(), F_SETFL, flags | O_NONBLOCK) < 0) return winsockFromErrno(errno);
  if (::connect(s.get(), a.ai_addr, a.ai_addrlen) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) return winsockFromErrno(errno);
    switch (waitFor(s.get(), POLLOUT, deadline, bounds)) {
      case Wait::ready: break;
      case Wait::timedOut: return kWsaTimedOut;
      case Wait::aborted: return kWsaInterrupted;
      case Wait::failed: return winsockFromErrno(errno);
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0) {
      return winsockFromErrno(errno);
    }
    if (soError != 0) return winsockFromErrno(soError);
  }
  out = std::move(s);
  return kSuccess;
}

}  // namespace

std::unique_ptr<Transport> openTcp(const Endpoint& endpoint, const IoBounds& bounds,
                                   int32_t& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  AddressList addresses;
  const std::string port = std::to_string(endpoint.port);
  const int gai = ::getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, addresses.out());
  if (gai != 0) {
    error = winsockFromResolver(gai);
    return nullptr;
  }
  return openTcpTo(addresses.get(), bounds, error);
}

std::unique_ptr<Transport> openTcpTo(const addrinfo* addresses, const IoBounds& bounds,
                                     int32_t& error) {
  const Clock::time_point deadline =
      std::min(Clock::now() + bounds.limits.connectTimeout, bounds.checkDeadline);
  const std::vector<const addrinfo*> order = connectOrder(addresses, AF_INET6);
  error = kWsaHostNotFound;
  for (std::size_t i = 0; i < order.size(); ++i) {
    SocketHandle s;
    error = connectOne(*order[i], attemptDeadline(Clock::now(), deadline, order.size() - i),
                       bounds, s);
    if (error == kSuccess) return std::make_unique<TcpTransport>(std::move(s), bounds);
    if (error == kWsaInterrupted || Clock::now() >= deadline) return nullptr;
  }
  return nullptr;
}

}  // namespace vrxmail
