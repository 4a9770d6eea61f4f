// The initial response of the SASL PLAIN mechanism (RFC 4616) in base64: an empty
// authorization identity, the user name and the password, each as given (UTF-8).
#pragma once

#include <string>

namespace vrxmail {

std::string saslPlainResponse(const std::string& user, const std::string& password);

}  // namespace vrxmail
