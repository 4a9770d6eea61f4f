// The sockets of tcp_socket.h over Windows Sockets.
#include <algorithm>

#include "result_codes.h"
#include "tcp_socket.h"

namespace vrxmail {
namespace {

// Calls to one send or recv are capped: their lengths are ints.
constexpr std::size_t kMaxCallBytes = 1 << 20;

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

// A send or recv that returned n.
SocketResult transferred(int n) {
  if (n != SOCKET_ERROR) return {SocketResult::done, static_cast<std::size_t>(n)};
  const int e = WSAGetLastError();
  if (e == WSAEWOULDBLOCK || e == WSAEINTR) return {SocketResult::notYet};
  return {SocketResult::failed, 0, e};
}

class WinsockSocket final : public TcpSocket {
 public:
  explicit WinsockSocket(const addrinfo& a)
      : socket_(socket(a.ai_family, a.ai_socktype, a.ai_protocol)) {
    if (socket_ == INVALID_SOCKET) {
      openError_ = WSAGetLastError();
      return;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(socket_, FIONBIO, &nonBlocking) == SOCKET_ERROR) openError_ = WSAGetLastError();
  }
  ~WinsockSocket() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  int32_t openError() const { return openError_; }

  SocketResult startConnect(const addrinfo& a) override {
    if (connect(socket_, a.ai_addr, static_cast<int>(a.ai_addrlen)) != SOCKET_ERROR) return {};
    const int e = WSAGetLastError();
    if (e == WSAEWOULDBLOCK || e == WSAEINPROGRESS) return {SocketResult::notYet};
    return {SocketResult::failed, 0, e};
  }

  int32_t connectError() override {
    int soError = 0;
    int len = sizeof soError;
    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) ==
        SOCKET_ERROR) {
      return WSAGetLastError();
    }
    if (soError != 0) return soError;
    return exceptionSeen_ ? kWsaConnRefused : kSuccess;
  }

  // A failed connect shows in the exception set, even where no error is left to read.
  SocketResult wait(SocketWait wanted, std::chrono::steady_clock::duration slice) override {
    const long long us = std::max<long long>(
        1000, std::chrono::duration_cast<std::chrono::microseconds>(slice).count());
    timeval tv;
    tv.tv_sec = static_cast<long>(us / 1000000);
    tv.tv_usec = static_cast<long>(us % 1000000);
    fd_set main;
    fd_set except;
    FD_ZERO(&main);
    FD_ZERO(&except);
    FD_SET(socket_, &main);
    FD_SET(socket_, &except);
    const bool forWrite = wanted == SocketWait::writable;
    const int r = select(0, forWrite ? nullptr : &main, forWrite ? &main : nullptr, &except, &tv);
    if (r == SOCKET_ERROR) return {SocketResult::failed, 0, WSAGetLastError()};
    if (r == 0) return {SocketResult::notYet};
    exceptionSeen_ = FD_ISSET(socket_, &except) != 0;
    return {};
  }

  SocketResult send(const char* data, std::size_t size) override {
    return transferred(::send(socket_, data, static_cast<int>(std::min(size, kMaxCallBytes)), 0));
  }

  SocketResult receive(char* buffer, std::size_t capacity) override {
    return transferred(recv(socket_, buffer, static_cast<int>(std::min(capacity, kMaxCallBytes)), 0));
  }

 private:
  const WinsockSession winsock_;  // started before, and cleaned up after, the socket
  const SOCKET socket_;
  int32_t openError_ = kSuccess;
  bool exceptionSeen_ = false;
};

class WinsockSockets final : public SocketLibrary {
 public:
  int startupError() const { return winsock_.error(); }

  std::unique_ptr<TcpSocket> open(const addrinfo& address, int32_t& error) override {
    auto socket = std::make_unique<WinsockSocket>(address);
    error = socket->openError();
    if (error != kSuccess) return nullptr;
    return socket;
  }
  int32_t resolveError(int) override {
    const int e = WSAGetLastError();
    return e == WSATRY_AGAIN || e == WSANO_RECOVERY ? e : kWsaHostNotFound;
  }

 private:
  const WinsockSession winsock_;
};

}  // namespace

std::unique_ptr<SocketLibrary> startSockets(int32_t& error) {
  auto sockets = std::make_unique<WinsockSockets>();
  if (sockets->startupError() != 0) {
    error = sockets->startupError();
    return nullptr;
  }
  return sockets;
}

}  // namespace vrxmail
