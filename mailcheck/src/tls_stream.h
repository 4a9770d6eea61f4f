// TLS over an open transport: the handshake, then the server's certificate checked against the
// system's trusted roots, the host name and the dates, before any byte of the mail protocol.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "transport.h"

namespace vrxmail {

// Takes over inner and gives the secured stream, or null with error set: a certificate code
// (result_codes.h), kTlsHandshakeFailed, or the time-out, abort or socket error of inner.
using TlsStarter = std::function<std::unique_ptr<Transport>(
    std::unique_ptr<Transport> inner, const std::string& serverName, int32_t& error)>;

// The platform's TLS, trusting the system's roots.
std::unique_ptr<Transport> startTls(std::unique_ptr<Transport> inner,
                                    const std::string& serverName, int32_t& error);

}  // namespace vrxmail
