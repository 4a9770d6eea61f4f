// The check of a server's certificate on Windows: a chain to a trusted root of the system
// store, complete, within its dates, and issued for the host name or address asked for.
#pragma once

#include <cstdint>
#include <string>

#include "tls_libraries_win32.h"
#include "transport.h"

namespace vrxmail {

// kSuccess, or the certificate code of the first fault (cert_faults.h). Issuers the server
// did not send and the system does not hold may be fetched from the network, within the
// check's deadline and cut short by its abort (then 10060 or 10004).
int32_t verifyServerCertificate(const CertCalls& crypt, PCCERT_CONTEXT cert, const std::string& serverName,
                                const IoBounds& bounds);

}  // namespace vrxmail
