#include "server_address.h"

#include <cctype>
#include <vector>

#include "ascii_text.h"
#include "host_port.h"

namespace vrxmail {
namespace {

struct Scheme {
  std::string_view prefix;
  Security security;
};

constexpr Scheme kSchemes[] = {
    {"tls:", Security::implicitTls},
    {"starttls:", Security::startTls},
    {"plain:", Security::plain},
};

bool isIpv4Loopback(std::string_view host) {
  // Four decimal parts of 0-255, the first 127.
  int parts = 0;
  int first = -1;
  while (!host.empty()) {
    std::size_t n = 0;
    unsigned value = 0;
    while (n < host.size() && host[n] >= '0' && host[n] <= '9' && n < 3) {
      value = value * 10 + static_cast<unsigned>(host[n] - '0');
      ++n;
    }
    if (n == 0 || value > 255) return false;
    if (first < 0) first = static_cast<int>(value);
    ++parts;
    host.remove_prefix(n);
    if (host.empty()) break;
    if (host.front() != '.') return false;
    host.remove_prefix(1);
    if (host.empty()) return false;
  }
  return parts == 4 && first == 127;
}

// Hexadecimal groups separated by ':'; false for anything else.
bool readGroups(std::string_view text, std::vector<unsigned>& groups) {
  if (text.empty()) return true;
  for (;;) {
    std::size_t n = 0;
    unsigned value = 0;
    while (n < text.size() && n < 5 && std::isxdigit(static_cast<unsigned char>(text[n]))) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[n])));
      value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
      ++n;
    }
    if (n == 0 || n > 4) return false;
    groups.push_back(value);
    text.remove_prefix(n);
    if (text.empty()) return true;
    if (text.front() != ':' || text.size() == 1) return false;
    text.remove_prefix(1);
  }
}

bool isIpv6Loopback(std::string_view host) {
  std::vector<unsigned> head;
  std::vector<unsigned> tail;
  const std::size_t gap = host.find("::");
  if (gap == std::string_view::npos) {
    if (!readGroups(host, head) || head.size() != 8) return false;
  } else {
    if (!readGroups(host.substr(0, gap), head) || !readGroups(host.substr(gap + 2), tail) ||
        head.size() + tail.size() > 7) {
      return false;
    }
    head.resize(8 - tail.size(), 0);
    head.insert(head.end(), tail.begin(), tail.end());
  }
  for (std::size_t i = 0; i < 7; ++i) {
    if (head[i] != 0) return false;
  }
  return head[7] == 1;
}

}  // namespace

bool isLoopbackAddress(std::string_view host) {
  return isIpv4Loopback(host) || isIpv6Loopback(host);
}

std::optional<ServerAddress> parseServerAddress(std::string_view text, ServerType type) {
  text = trim(text);
  const uint16_t tlsPort = type == kImap ? kImapTlsPort : kPop3TlsPort;
  const uint16_t plainPort = type == kImap ? kImapPort : kPop3Port;
  for (const Scheme& s : kSchemes) {
    if (!startsWithNoCase(text, s.prefix)) continue;
    const std::string_view rest = text.substr(s.prefix.size());
    // "tls:993" is the host "tls" on port 993.
    if (allDigits(rest)) break;
    const std::optional<Endpoint> e =
        parseHostPort(rest, s.security == Security::implicitTls ? tlsPort : plainPort);
    if (!e) return std::nullopt;
    return ServerAddress{*e, s.security};
  }
  const std::optional<Endpoint> e = parseHostPort(text, tlsPort);
  if (!e) return std::nullopt;
  ServerAddress a{*e, Security::implicitTls};
  if (e->port != kImapTlsPort && e->port != kPop3TlsPort) {
    a.security = isLoopbackAddress(e->host) ? Security::plain : Security::startTls;
  }
  return a;
}

std::string describe(const ServerAddress& address) {
  std::string out;
  switch (address.security) {
    case Security::implicitTls: out = "tls:"; break;
    case Security::startTls: out = "starttls:"; break;
    case Security::plain: out = "plain:"; break;
  }
  const std::string& host = address.endpoint.host;
  out += host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return out + ":" + std::to_string(address.endpoint.port);
}

}  // namespace vrxmail
