// The connect to resolved addresses behind openTcp, for tests that give addresses of
// their own.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#endif

#include <memory>

#include "transport.h"

namespace vrxmail {

// Tries the addresses in connect order until one connects within the connect bound.
std::unique_ptr<Transport> openTcpTo(const addrinfo* addresses, const IoBounds& bounds,
                                     int32_t& error);

}  // namespace vrxmail
