// What a finished check reports.
#pragma once

#include <cstdint>

namespace vrxmail {

struct CheckOutcome {
  int32_t result = 0;
  int32_t newCount = 0;
};

}  // namespace vrxmail
