#include "sasl_plain.h"

#include <cstddef>
#include <cstdint>

namespace vrxmail {
namespace {

std::string base64(const std::string& bytes) {
  static const char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group <<= 8;
      if (k < n) group |= static_cast<unsigned char>(bytes[i + k]);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return out;
}

}  // namespace

std::string saslPlainResponse(const std::string& user, const std::string& password) {
  std::string message(1, '\0');
  message += user;
  message += '\0';
  message += password;
  return base64(message);
}

}  // namespace vrxmail
