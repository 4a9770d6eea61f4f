// "host", "host:port", "[v6-address]" or "[v6-address]:port".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "transport.h"

namespace vrxmail {

std::optional<Endpoint> parseHostPort(std::string_view text, uint16_t defaultPort);

}  // namespace vrxmail
