#include "cert_faults.h"

#include "result_codes.h"

namespace vrxmail {

int32_t certificateCode(const CertFaults& f) {
  if (f.selfSigned) return kCertSelfSigned;
  if (f.untrustedRoot) return kCertUntrustedRoot;
  if (f.incompleteChain) return kCertIncompleteChain;
  if (f.invalid) return kCertInvalid;
  if (f.expired) return kCertExpired;
  if (f.nameMismatch) return kCertNameMismatch;
  return kSuccess;
}

}  // namespace vrxmail
