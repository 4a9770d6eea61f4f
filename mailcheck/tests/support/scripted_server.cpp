#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vrxmail::testing {
namespace {

using Clock = std::chrono::steady_clock;

int listenLoopback(int backlog, uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
    ::close(fd);
    throw std::runtime_error("bind/listen");
  }
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

bool ServerConnection::readLine(std::string& line, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    const std::size_t nl = pending_.find('\n');
    if (nl != std::string::npos) {
      line = pending_.substr(0, nl > 0 && pending_[nl - 1] == '\r' ? nl - 1 : nl);
      pending_.erase(0, nl + 1);
      return true;
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, remainingMs(deadline)) <= 0) return false;
    char buf[4096];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) return false;
    pending_.append(buf, static_cast<std::size_t>(n));
  }
}

void ServerConnection::send(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the client went away; the script's later reads will tell
    sent += static_cast<std::size_t>(n);
  }
}

bool ServerConnection::waitForClose(std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, remainingMs(deadline)) <= 0) return false;
    char buf[4096];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) return true;
  }
}

ScriptedServer::ScriptedServer(Script script, int acceptCount) : script_(std::move(script)) {
  listener_ = listenLoopback(8, port_);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  thread_ = std::thread(&ScriptedServer::serve, this, acceptCount);
}

ScriptedServer::~ScriptedServer() {
  const char stop = 's';
  (void)!::write(wakeWrite_, &stop, 1);
  thread_.join();
  ::close(listener_);
  ::close(wakeRead_);
  ::close(wakeWrite_);
}

void ScriptedServer::serve(int acceptCount) {
  for (int i = 0; i < acceptCount; ++i) {
    pollfd p[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (::poll(p, 2, -1) <= 0 || (p[1].revents & POLLIN) != 0) return;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    ++accepted_;
    ServerConnection connection(fd);
    script_(connection);
    ::close(fd);
  }
}

BlackHole::BlackHole() {
  listener_ = listenLoopback(0, port_);
  // Fill the accept queue so that the next connect is neither accepted nor refused.
  for (int i = 0; i < 8; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port_);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers_.push_back(fd);
  }
}

BlackHole::~BlackHole() {
  for (const int fd : fillers_) ::close(fd);
  ::close(listener_);
}

}  // namespace vrxmail::testing
