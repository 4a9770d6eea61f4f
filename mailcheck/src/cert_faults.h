// What was wrong with a server's certificate, as either platform's check found it, and the
// one result code reported for it.
#pragma once

#include <cstdint>

namespace vrxmail {

struct CertFaults {
  bool selfSigned = false;       // a lone certificate that is its own issuer, not trusted
  bool untrustedRoot = false;    // the chain ends at a root the system does not trust
  bool incompleteChain = false;  // an issuer was neither sent nor known
  bool invalid = false;          // bad signature, wrong usage, revoked, no certificate, ...
  bool expired = false;          // outside its validity dates (expired or not yet valid)
  bool nameMismatch = false;     // issued for another host name or address

  bool any() const {
    return selfSigned || untrustedRoot || incompleteChain || invalid || expired || nameMismatch;
  }
};

// kSuccess when there is no fault; otherwise the code of the first fault in the order above.
int32_t certificateCode(const CertFaults& faults);

}  // namespace vrxmail
