// The check of a server's certificate on Windows: a chain to a trusted root of the system
// store, complete, within its dates, and issued for the host name or address asked for.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>

namespace vrxmail {

// kSuccess, or the certificate code of the first fault (cert_faults.h).
int32_t verifyServerCertificate(PCCERT_CONTEXT cert, const std::string& serverName);

}  // namespace vrxmail
