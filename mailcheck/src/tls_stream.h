// TLS over an open transport: the handshake, then the server's certificate checked against the
// system's trusted roots, the host name and the dates, before any byte of the mail protocol.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "result_codes.h"
#include "transport.h"

namespace vrxmail {

// Takes over inner and gives the secured stream, or null with error set: a certificate code
// (result_codes.h), kTlsHandshakeFailed, or the time-out, abort or socket error of inner.
// bounds are the check's: work outside inner (fetching a certificate's issuers) keeps to its
// deadline and its abort.
using TlsStarter = std::function<std::unique_ptr<Transport>(
    std::unique_ptr<Transport> inner, const std::string& serverName, const IoBounds& bounds,
    int32_t& error)>;

// The check's code for a failed read or write of the inner stream during the handshake; a
// stream that closes in the middle is a failed handshake.
inline int32_t handshakeIoCode(const IoResult& r) {
  switch (r.status) {
    case IoStatus::timedOut: return kWsaTimedOut;
    case IoStatus::aborted: return kWsaInterrupted;
    case IoStatus::failed: return r.error != 0 ? r.error : kWsaConnReset;
    case IoStatus::closed: return kTlsHandshakeFailed;
    case IoStatus::ok: break;
  }
  return kSuccess;
}

// The platform's TLS, trusting the system's roots.
std::unique_ptr<Transport> startTls(std::unique_ptr<Transport> inner,
                                    const std::string& serverName, const IoBounds& bounds,
                                    int32_t& error);

}  // namespace vrxmail
