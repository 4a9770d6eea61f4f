// Plain TCP over Windows Sockets. A blocking connect cannot be bounded on every platform we
// run on, so the connect is non-blocking and waited for with select.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <string>
#include <vector>

#include "connect_order.h"
#include "result_codes.h"
#include "tcp_connect.h"
#include "transport.h"

namespace vrxmail {
namespace {

using Clock = std::chrono::steady_clock;

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    error_ = WSAStartup(MAKEWORD(2, 2), &data);
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  ~WinsockSession() {
    if (error_ == 0) WSACleanup();
  }
  int error() const { return error_; }

 private:
  int error_ = 0;
};

class SocketHandle {
 public:
  explicit SocketHandle(SOCKET s = INVALID_SOCKET) : s_(s) {}
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;
  SocketHandle(SocketHandle&& other) noexcept : s_(other.s_) { other.s_ = INVALID_SOCKET; }
  SocketHandle& operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
      reset();
      s_ = other.s_;
      other.s_ = INVALID_SOCKET;
    }
    return *this;
  }
  ~SocketHandle() { reset(); }
  SOCKET get() const { return s_; }

 private:
  void reset() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = INVALID_SOCKET;
  }
  SOCKET s_;
};

class AddressList {
 public:
  AddressList() = default;
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;
  ~AddressList() {
    if (list_ != nullptr) freeaddrinfo(list_);
  }
  addrinfo** out() { return &list_; }
  const addrinfo* get() const { return list_; }

 private:
  addrinfo* list_ = nullptr;
};

enum class Wait { ready, timedOut, aborted, failed };

// Waits in short slices so that an abort is seen promptly; a failed connect shows in the
// exception set.
Wait waitFor(SOCKET s, bool forWrite, Clock::time_point deadline, const IoBounds& bounds,
             bool& exception) {
  exception = false;
  for (;;) {
    if (bounds.aborted()) return Wait::aborted;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return Wait::timedOut;
    const auto slice = std::min<Clock::duration>(deadline - now, bounds.limits.abortPollInterval);
    const long long us =
        std::max<long long>(1000, std::chrono::duration_cast<std::chrono::microseconds>(slice).count());
    timeval tv;
    tv.tv_sec = static_cast<long>(us / 1000000);
    tv.tv_usec = static_cast<long>(us % 1000000);
    fd_set main;
    fd_set except;
    FD_ZERO(&main);
    FD_ZERO(&except);
    FD_SET(s, &main);
    FD_SET(s, &except);
    const int r = select(0, forWrite ? nullptr : &main, forWrite ? &main : nullptr, &except, &tv);
    if (r == SOCKET_ERROR) return Wait::failed;
    if (r > 0) {
      exception = FD_ISSET(s, &except) != 0;
      return Wait::ready;
    }
  }
}

class TcpTransport final : public Transport {
 public:
  TcpTransport(SocketHandle socket, const IoBounds& bounds)
      : socket_(std::move(socket)), bounds_(bounds) {}

  IoResult sendAll(std::string_view data) override {
    std::size_t sent = 0;
    bool exception = false;
    while (sent < data.size()) {
      const Wait w = waitFor(socket_.get(), true, ioDeadline(), bounds_, exception);
      if (w != Wait::ready) return waitResult(w);
      const int chunk = static_cast<int>(std::min<std::size_t>(data.size() - sent, 1 << 20));
      const int n = send(socket_.get(), data.data() + sent, chunk, 0);
      if (n == SOCKET_ERROR) {
        const int e = WSAGetLastError();
        if (e == WSAEWOULDBLOCK || e == WSAEINTR) continue;
        return {IoStatus::failed, sent, e};
      }
      sent += static_cast<std::size_t>(n);
    }
    return {IoStatus::ok, sent, 0};
  }

  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    bool exception = false;
    for (;;) {
      const Wait w = waitFor(socket_.get(), false, ioDeadline(), bounds_, exception);
      if (w != Wait::ready) return waitResult(w);
      const int n = recv(socket_.get(), buffer,
                         static_cast<int>(std::min<std::size_t>(capacity, 1 << 20)), 0);
      if (n > 0) return {IoStatus::ok, static_cast<std::size_t>(n), 0};
      if (n == 0) return {IoStatus::closed, 0, 0};
      const int e = WSAGetLastError();
      if (e == WSAEWOULDBLOCK || e == WSAEINTR) continue;
      return {IoStatus::failed, 0, e};
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
    return {IoStatus::failed, 0, WSAGetLastError()};
  }

  WinsockSession winsock_;  // constructed before, and released after, the socket
  SocketHandle socket_;
  IoBounds bounds_;
};

int32_t connectOne(const addrinfo& a, Clock::time_point deadline, const IoBounds& bounds,
                   SocketHandle& out) {
  SocketHandle s(socket(a.ai_family, a.ai_socktype, a.ai_protocol));
  if (s.get() == INVALID_SOCKET) return WSAGetLastError();
  u_long nonBlocking = 1;
  if (ioctlsocket(s.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR) return WSAGetLastError();
  if (connect(s.get(), a.ai_addr, static_cast<int>(a.ai_addrlen)) == SOCKET_ERROR) {
    const int e = WSAGetLastError();
    if (e != WSAEWOULDBLOCK && e != WSAEINPROGRESS) return e;
    bool exception = false;
    switch (waitFor(s.get(), true, deadline, bounds, exception)) {
      case Wait::ready: break;
      case Wait::timedOut: return kWsaTimedOut;
      case Wait::aborted: return kWsaInterrupted;
      case Wait::failed: return WSAGetLastError();
    }
    int soError = 0;
    int len = sizeof soError;
    if (getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) ==
        SOCKET_ERROR) {
      return WSAGetLastError();
    }
    if (soError != 0) return soError;
    if (exception) return kWsaConnRefused;
  }
  out = std::move(s);
  return kSuccess;
}

}  // namespace

std::unique_ptr<Transport> openTcp(const Endpoint& endpoint, const IoBounds& bounds,
                                   int32_t& error) {
  WinsockSession winsock;
  if (winsock.error() != 0) {
    error = winsock.error();
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  AddressList addresses;
  const std::string port = std::to_string(endpoint.port);
  if (getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, addresses.out()) != 0) {
    const int e = WSAGetLastError();
    error = e == WSATRY_AGAIN || e == WSANO_RECOVERY ? e : kWsaHostNotFound;
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
