// Certificates for the TLS tests, made with OpenSSL in a folder of the test: a root the tests
// trust, an intermediate under it, and one server certificate per fault to be found.
#pragma once

#include <string>

namespace vrxmail::testing {

enum class ServerCert {
  good,             // for 127.0.0.1 and localhost, issued by the root
  viaIntermediate,  // issued by the intermediate; the intermediate is sent too
  partialChain,     // issued by the intermediate, which is not sent
  selfSigned,       // its own issuer
  wrongName,        // issued by the root for mail.example.test only
  expired,          // issued by the root, valid only in the past
  untrustedRoot,    // issued by a root nobody trusts, which is sent too
};

class TestPki {
 public:
  // Writes everything into dir (which must exist); error() says what failed.
  explicit TestPki(const std::string& dir);

  const std::string& error() const { return error_; }
  // The root to trust, PEM.
  std::string rootFile() const { return dir_ + "/root.pem"; }
  // The chain the server sends (its certificate first) and its key, PEM.
  std::string chainFile(ServerCert which) const;
  std::string keyFile(ServerCert which) const;

 private:
  std::string dir_;
  std::string error_;
};

}  // namespace vrxmail::testing
