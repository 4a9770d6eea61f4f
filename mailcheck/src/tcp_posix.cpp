// The sockets of tcp_socket.h over POSIX, errors in the Windows Sockets numbering.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "result_codes.h"
#include "socket_errors.h"
#include "tcp_socket.h"

namespace vrxmail {
namespace {

SocketResult failure(int error) { return {SocketResult::failed, 0, winsockFromErrno(error)}; }

bool retryable(int error) { return error == EINTR || error == EAGAIN || error == EWOULDBLOCK; }

class PosixSocket final : public TcpSocket {
 public:
  explicit PosixSocket(const addrinfo& a)
      : fd_(::socket(a.ai_family, a.ai_socktype | SOCK_CLOEXEC, a.ai_protocol)) {
    if (fd_ < 0) {
      openError_ = winsockFromErrno(errno);
      return;
    }
    const int flags = ::fcntl(fd_, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) {
      openError_ = winsockFromErrno(errno);
    }
  }
  ~PosixSocket() override {
    if (fd_ >= 0) ::close(fd_);
  }
  int32_t openError() const { return openError_; }

  SocketResult startConnect(const addrinfo& a) override {
    if (::connect(fd_, a.ai_addr, a.ai_addrlen) == 0) return {};
    if (errno == EINPROGRESS || errno == EINTR) return {SocketResult::notYet};
    return failure(errno);
  }

  int32_t connectError() override {
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) {
      return winsockFromErrno(errno);
    }
    return soError != 0 ? winsockFromErrno(soError) : kSuccess;
  }

  SocketResult wait(SocketWait wanted, std::chrono::steady_clock::duration slice) override {
    pollfd p{fd_, static_cast<short>(wanted == SocketWait::writable ? POLLOUT : POLLIN), 0};
    const int ms = static_cast<int>(std::max<long long>(
        1, std::chrono::duration_cast<std::chrono::milliseconds>(slice).count()));
    const int r = ::poll(&p, 1, ms);
    if (r > 0) return {};
    if (r < 0 && errno != EINTR) return failure(errno);
    return {SocketResult::notYet};
  }

  SocketResult send(const char* data, std::size_t size) override {
    const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
    if (n >= 0) return {SocketResult::done, static_cast<std::size_t>(n)};
    if (retryable(errno)) return {SocketResult::notYet};
    return failure(errno);
  }

  SocketResult receive(char* buffer, std::size_t capacity) override {
    const ssize_t n = ::recv(fd_, buffer, capacity, 0);
    if (n >= 0) return {SocketResult::done, static_cast<std::size_t>(n)};
    if (retryable(errno)) return {SocketResult::notYet};
    return failure(errno);
  }

 private:
  const int fd_;
  int32_t openError_ = kSuccess;
};

class PosixSockets final : public SocketLibrary {
 public:
  std::unique_ptr<TcpSocket> open(const addrinfo& address, int32_t& error) override {
    auto socket = std::make_unique<PosixSocket>(address);
    error = socket->openError();
    if (error != kSuccess) return nullptr;
    return socket;
  }
  int32_t resolveError(int getaddrinfoResult) override {
    return winsockFromResolver(getaddrinfoResult);
  }
};

}  // namespace

std::unique_ptr<SocketLibrary> startSockets(int32_t&) { return std::make_unique<PosixSockets>(); }

}  // namespace vrxmail
