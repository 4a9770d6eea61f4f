// Connectors for the TLS tests that record what the client sends: on the wire (plain text
// before the upgrade, cipher text after it) and inside the secured stream.
#pragma once

#include <memory>
#include <string>

#include "mail_check.h"

namespace vrxmail::testing {

struct SentBytes {
  std::shared_ptr<std::string> wire = std::make_shared<std::string>();
  std::shared_ptr<std::string> secured = std::make_shared<std::string>();
};

// A context that trusts only rootsFile and records into sent.
CheckContext recordingTlsContext(const std::string& rootsFile, const SentBytes& sent);

}  // namespace vrxmail::testing
