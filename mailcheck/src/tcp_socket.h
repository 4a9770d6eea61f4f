// What the plain TCP stream needs of the platform's sockets: a few calls that each return at
// once or after one short wait. The loops around them (the address walk, the deadlines, the
// abort) are written once, in tcp_connect.cpp and tcp_stream.cpp; tcp_posix.cpp and
// tcp_win32.cpp implement these calls.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vrxmail {

// What one call gave. notYet: the connect is under way, the wait's time passed, or the
// send or receive would block or was interrupted (bytes 0): wait and try again.
struct SocketResult {
  enum Status { done, notYet, failed };
  Status status = done;
  std::size_t bytes = 0;  // sent or received; 0 received is the end of the stream
  int32_t error = 0;      // Windows Sockets number when failed
};

enum class SocketWait { readable, writable };

// One non-blocking socket, closed when destroyed.
class TcpSocket {
 public:
  TcpSocket() = default;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  virtual ~TcpSocket() = default;

  // done when connected at once, notYet while the connect is under way.
  virtual SocketResult startConnect(const addrinfo& address) = 0;
  // Once writable after a connect under way: kSuccess, or why the connect failed.
  virtual int32_t connectError() = 0;
  // Waits at most slice for the socket: done when it is ready, notYet when it is not.
  virtual SocketResult wait(SocketWait wanted, std::chrono::steady_clock::duration slice) = 0;
  virtual SocketResult send(const char* data, std::size_t size) = 0;
  virtual SocketResult receive(char* buffer, std::size_t capacity) = 0;
};

// The platform's sockets, usable while this lives.
class SocketLibrary {
 public:
  virtual ~SocketLibrary() = default;
  // A socket for the address, or null with the Windows Sockets number of why not.
  virtual std::unique_ptr<TcpSocket> open(const addrinfo& address, int32_t& error) = 0;
  // The Windows Sockets number of a name that getaddrinfo could not resolve.
  virtual int32_t resolveError(int getaddrinfoResult) = 0;
};

// The platform's sockets, or null with the Windows Sockets number of why they cannot be used.
std::unique_ptr<SocketLibrary> startSockets(int32_t& error);

}  // namespace vrxmail
