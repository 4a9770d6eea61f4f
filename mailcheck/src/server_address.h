// The host text of a request: where the server is and how the connection is secured.
//   host                 implicit TLS on the protocol's TLS port (IMAP 993, POP3 995)
//   host:port            implicit TLS on 993 and 995; on any other port STARTTLS (IMAP) or
//                        STLS (POP3), required, except a loopback address is spoken to plainly
//   tls:host[:port]      implicit TLS (default port 993 / 995)
//   starttls:host[:port] STARTTLS or STLS, required (default port 143 / 110)
//   plain:host[:port]    no encryption (default port 143 / 110)
// host may be a name, an IPv4 address, or an IPv6 address in brackets.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "transport.h"
#include "vrxmail/mail_request.h"

namespace vrxmail {

enum class Security { implicitTls, startTls, plain };

struct ServerAddress {
  Endpoint endpoint;
  Security security = Security::implicitTls;
};

constexpr uint16_t kPop3Port = 110;
constexpr uint16_t kImapPort = 143;
constexpr uint16_t kImapTlsPort = 993;
constexpr uint16_t kPop3TlsPort = 995;

std::optional<ServerAddress> parseServerAddress(std::string_view text, ServerType type);

// 127.0.0.0/8 and ::1 written as addresses (names are not resolved for this).
bool isLoopbackAddress(std::string_view host);

// The explicit form of an address, e.g. "starttls:mail.example:143", "tls:[::1]:993".
std::string describe(const ServerAddress& address);

}  // namespace vrxmail
