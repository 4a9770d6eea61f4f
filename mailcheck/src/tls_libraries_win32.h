// The system's TLS (Schannel's function table) and certificate calls, loaded from the system
// folder on the first TLS check and kept for the life of the process. A process that never
// checks over TLS never maps them: under Wine they bring a whole TLS stack and Kerberos with
// them, megabytes that a plain check, or no check at all, never needs.
#pragma once

#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#include <security.h>
#include <sspi.h>

namespace vrxmail {

struct CertCalls {
  decltype(&CertGetCertificateChain) getCertificateChain;
  decltype(&CertFreeCertificateChain) freeCertificateChain;
  decltype(&CertDuplicateCertificateContext) duplicateCertificateContext;
  decltype(&CertFreeCertificateContext) freeCertificateContext;
  decltype(&CertFindExtension) findExtension;
  decltype(&CryptDecodeObjectEx) decodeObjectEx;
  decltype(&CertVerifyCertificateChainPolicy) verifyCertificateChainPolicy;
};

// Null when the library or one of its calls is missing: then no TLS check can be made. Safe
// to call from any thread; the first call loads, later ones return what it loaded.
const SecurityFunctionTableA* schannelCalls();
const CertCalls* certCalls();

}  // namespace vrxmail
