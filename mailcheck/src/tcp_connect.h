// Opening a plain TCP stream: the name resolved, then the connect to its addresses in
// connect order within the connect bound (openTcp, declared in transport.h).
#pragma once

#include <memory>

#include "tcp_socket.h"
#include "transport.h"

namespace vrxmail {

// Tries the addresses in connect order until one connects within the connect bound; the
// error is that of the last address tried.
std::unique_ptr<Transport> connectInOrder(const addrinfo* addresses, const IoBounds& bounds,
                                          SocketLibrary& sockets, int32_t& error);

// The same with the platform's sockets, for tests that give addresses of their own.
std::unique_ptr<Transport> openTcpTo(const addrinfo* addresses, const IoBounds& bounds,
                                     int32_t& error);

}  // namespace vrxmail
