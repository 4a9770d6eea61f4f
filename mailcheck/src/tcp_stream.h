// Plain TCP as a Transport over a connected socket of any platform, with every wait
// bounded and abortable.
#pragma once

#include <chrono>
#include <memory>

#include "tcp_socket.h"
#include "transport.h"

namespace vrxmail {

// Waits for the socket in short slices, so that an abort is seen promptly: ok when it is
// ready, timedOut at the deadline, aborted, or failed.
IoResult waitReady(TcpSocket& socket, SocketWait wanted,
                   std::chrono::steady_clock::time_point deadline, const IoBounds& bounds);

class TcpStream final : public Transport {
 public:
  TcpStream(std::unique_ptr<TcpSocket> socket, const IoBounds& bounds);

  IoResult sendAll(std::string_view data) override;
  IoResult receiveSome(char* buffer, std::size_t capacity) override;

 private:
  std::unique_ptr<TcpSocket> socket_;
  IoBounds bounds_;
};

}  // namespace vrxmail
