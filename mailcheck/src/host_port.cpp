#include "host_port.h"

#include "ascii_text.h"

namespace vrxmail {
namespace {

std::optional<uint16_t> parsePort(std::string_view s) {
  uint64_t value = 0;
  if (!parseDigits(s, 1, 5, value) || value == 0 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

bool plainHost(std::string_view h) {
  if (h.empty() || h.size() > 255) return false;
  for (const char c : h) {
    if (c <= ' ' || c == '/' || c == '[' || c == ']' || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

std::optional<Endpoint> parseHostPort(std::string_view text, uint16_t defaultPort) {
  text = trim(text);
  Endpoint e;
  e.port = defaultPort;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || close == 1) return std::nullopt;
    // Brackets hold an IPv6 address, nothing else.
    const std::string_view inside = text.substr(1, close - 1);
    if (!plainHost(inside) || inside.find(':') == std::string_view::npos) return std::nullopt;
    e.host.assign(inside);
    const std::string_view after = text.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      const std::optional<uint16_t> port = parsePort(after.substr(1));
      if (!port) return std::nullopt;
      e.port = *port;
    }
    return e;
  }
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos) {
    // A bare IPv6 address: no port can follow it.
    if (!plainHost(text)) return std::nullopt;
    e.host.assign(text);
    return e;
  }
  if (colon != std::string_view::npos) {
    const std::optional<uint16_t> port = parsePort(text.substr(colon + 1));
    if (!port) return std::nullopt;
    e.port = *port;
    text = text.substr(0, colon);
  }
  if (!plainHost(text)) return std::nullopt;
  e.host.assign(text);
  return e;
}

}  // namespace vrxmail
