// The native build's TLS (OpenSSL), for the tests: the same checks as the Windows build.
#pragma once

#include <string>

#include "tls_stream.h"

namespace vrxmail {

// TLS that trusts the roots in a PEM file instead of the system's.
TlsStarter tlsTrustingOnly(std::string rootsPemFile);

}  // namespace vrxmail
