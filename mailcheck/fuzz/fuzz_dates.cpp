// The text parsers that read dates, stamps and host names.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "civil_time.h"
#include "header_dates.h"
#include "host_port.h"
#include "imap_date.h"
#include "mail_date.h"
#include "server_address.h"
#include "since_stamp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vrxmail;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto t = parseInternalDate(text)) {
    // Any date that parses, written again in UTC, parses to the same instant.
    const CivilTime c = civilFromEpoch(*t);
    char utc[40];
    std::snprintf(utc, sizeof utc, "%02d-%s-%04d %02d:%02d:%02d +0000", c.day, monthName(c.month),
                  c.year, c.hour, c.minute, c.second);
    if (c.year >= 1 && c.year <= 9999 && parseInternalDate(utc) != t) __builtin_trap();
  }
  parseMailDate(text);
  parseReceivedDate(text);
  arrivalFromHeaders(text);
  if (const auto stamp = parseSinceStamp(text)) {
    if (!isValidCivil(*stamp)) __builtin_trap();
  }
  if (const auto a = parseServerAddress(text, kImap)) {
    // The explicit form of an address reads back as the same address.
    const auto again = parseServerAddress(describe(*a), kImap);
    if (!again || again->endpoint.host != a->endpoint.host ||
        again->endpoint.port != a->endpoint.port || again->security != a->security) {
      __builtin_trap();
    }
  }
  if (const auto e = parseHostPort(text, 143)) {
    if (e->host.empty() || e->port == 0) __builtin_trap();
  }
  return 0;
}
