#include "cert_check_win32.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "cert_faults.h"
#include "result_codes.h"

namespace vrxmail {
namespace {

using Clock = std::chrono::steady_clock;

class ChainContext {
 public:
  explicit ChainContext(const CertCalls& crypt) : crypt_(crypt) {}
  ChainContext(const ChainContext&) = delete;
  ChainContext& operator=(const ChainContext&) = delete;
  ~ChainContext() {
    if (chain_ != nullptr) crypt_.freeCertificateChain(chain_);
  }
  PCCERT_CHAIN_CONTEXT* out() { return &chain_; }
  PCCERT_CHAIN_CONTEXT get() const { return chain_; }
  const CertCalls& crypt() const { return crypt_; }

 private:
  const CertCalls& crypt_;
  PCCERT_CHAIN_CONTEXT chain_ = nullptr;
};

class CertCopy {
 public:
  CertCopy(const CertCalls& crypt, PCCERT_CONTEXT cert)
      : crypt_(crypt), cert_(crypt.duplicateCertificateContext(cert)) {}
  CertCopy(const CertCopy&) = delete;
  CertCopy& operator=(const CertCopy&) = delete;
  ~CertCopy() {
    if (cert_ != nullptr) crypt_.freeCertificateContext(cert_);
  }
  PCCERT_CONTEXT get() const { return cert_; }

 private:
  const CertCalls& crypt_;
  PCCERT_CONTEXT cert_;
};

// Builds the chain of cert for server use; the certificates the server sent are searched too.
bool buildChain(PCCERT_CONTEXT cert, DWORD flags, DWORD urlTimeoutMs, ChainContext& chain) {
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  para.dwUrlRetrievalTimeout = urlTimeoutMs;
  const CertCalls& crypt = chain.crypt();
  if (crypt.getCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, flags, nullptr,
                                chain.out())) {
    return chain.get() != nullptr;
  }
  if (GetLastError() != static_cast<DWORD>(E_INVALIDARG)) return false;
  // A system that knows only the first fields of the parameters: without its own retrieval
  // time-out the build is still bounded by the wait for it.
  para.cbSize = offsetof(CERT_CHAIN_PARA, RequestedIssuancePolicy);
  return crypt.getCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, flags,
                                   nullptr, chain.out()) &&
         chain.get() != nullptr;
}

// A chain build that may fetch missing issuers from the network. It runs on a thread of its
// own holding copies of what it needs, so that the check can leave it behind when its
// deadline passes or it is aborted; the thread then ends by itself within the retrieval
// time-out it was given.
struct FetchingBuild {
  FetchingBuild(const CertCalls& crypt, PCCERT_CONTEXT cert) : cert(crypt, cert), chain(crypt) {}
  CertCopy cert;
  ChainContext chain;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool built = false;
};

// kSuccess with chain set, or why the wait ended (10060, 10004, a certificate code).
int32_t buildChainFetching(const CertCalls& crypt, PCCERT_CONTEXT cert, const IoBounds& bounds,
                           std::shared_ptr<FetchingBuild>& result) {
  const Clock::time_point deadline = bounds.checkDeadline;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return kWsaTimedOut;
  auto build = std::make_shared<FetchingBuild>(crypt, cert);
  const DWORD timeoutMs = static_cast<DWORD>(std::min<long long>(left.count(), MAXDWORD));
  std::thread([build, timeoutMs] {
    const bool built = buildChain(build->cert.get(), 0, timeoutMs, build->chain);
    std::lock_guard<std::mutex> lock(build->mutex);
    build->built = built;
    build->finished = true;
    build->done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(build->mutex);
  for (;;) {
    if (build->finished) break;
    if (bounds.aborted()) return kWsaInterrupted;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return kWsaTimedOut;
    build->done.wait_for(lock, std::min<Clock::duration>(deadline - now,
                                                         bounds.limits.abortPollInterval));
  }
  if (!build->built) return kCertInvalid;
  result = build;
  return kSuccess;
}

// The trust faults of a chain; revocation is not asked for, so its flags do not count.
void chainFaults(PCCERT_CHAIN_CONTEXT chain, CertFaults& f) {
  const DWORD status = chain->TrustStatus.dwErrorStatus;
  if (status & CERT_TRUST_IS_UNTRUSTED_ROOT) {
    const bool lone = chain->cChain > 0 && chain->rgpChain[0]->cElement == 1;
    (lone ? f.selfSigned : f.untrustedRoot) = true;
  }
  if (status & CERT_TRUST_IS_PARTIAL_CHAIN) f.incompleteChain = true;
  if (status & (CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_CTL_IS_NOT_TIME_VALID)) f.expired = true;
  const DWORD handled = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                        CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_CTL_IS_NOT_TIME_VALID |
                        CERT_TRUST_IS_NOT_TIME_NESTED | CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                        CERT_TRUST_IS_OFFLINE_REVOCATION;
  if (status & ~handled) f.invalid = true;
}

void policyFault(DWORD error, CertFaults& f) {
  switch (error) {
    case 0: break;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): f.nameMismatch = true; break;
    case static_cast<DWORD>(CERT_E_EXPIRED): f.expired = true; break;
    case static_cast<DWORD>(CERT_E_CHAINING): f.incompleteChain = true; break;
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
      if (!f.selfSigned && !f.untrustedRoot) f.untrustedRoot = true;
      break;
    default: f.invalid = true; break;
  }
}

std::wstring wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

struct Address {
  unsigned char bytes[16] = {};
  std::size_t size = 0;
};

// An IPv4 or IPv6 address written as such (not a name).
bool readAddress(const std::string& text, Address& out) {
  std::string copy = text;
  for (const int family : {AF_INET, AF_INET6}) {
    sockaddr_storage storage{};
    int length = sizeof storage;
    if (WSAStringToAddressA(&copy[0], family, nullptr, reinterpret_cast<sockaddr*>(&storage),
                            &length) != 0) {
      continue;
    }
    if (family == AF_INET) {
      out.size = 4;
      std::memcpy(out.bytes, &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr, 4);
    } else {
      out.size = 16;
      std::memcpy(out.bytes, &reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr, 16);
    }
    return true;
  }
  return false;
}

class LocalMemory {
 public:
  LocalMemory() = default;
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  ~LocalMemory() {
    if (p_ != nullptr) LocalFree(p_);
  }
  void* out() { return &p_; }
  const void* get() const { return p_; }

 private:
  void* p_ = nullptr;
};

// True when the certificate's subject alternative names list the address.
bool certificateNamesAddress(const CertCalls& crypt, PCCERT_CONTEXT cert,
                             const Address& address) {
  const PCERT_EXTENSION ext = crypt.findExtension(
      szOID_SUBJECT_ALT_NAME2, cert->pCertInfo->cExtension, cert->pCertInfo->rgExtension);
  if (ext == nullptr) return false;
  LocalMemory decoded;
  DWORD size = 0;
  if (!crypt.decodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData,
                           ext->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, decoded.out(),
                           &size)) {
    return false;
  }
  const auto* names = static_cast<const CERT_ALT_NAME_INFO*>(decoded.get());
  for (DWORD i = 0; i < names->cAltEntry; ++i) {
    const CERT_ALT_NAME_ENTRY& e = names->rgAltEntry[i];
    if (e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && e.IPAddress.cbData == address.size &&
        std::memcmp(e.IPAddress.pbData, address.bytes, address.size) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

int32_t verifyServerCertificate(const CertCalls& crypt, PCCERT_CONTEXT cert,
                                const std::string& serverName, const IoBounds& bounds) {
  CertFaults faults;
  // First from what is at hand; only an incomplete chain is worth a wait on the network.
  ChainContext local(crypt);
  if (!buildChain(cert, CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL, 0, local)) return kCertInvalid;
  PCCERT_CHAIN_CONTEXT chain = local.get();
  std::shared_ptr<FetchingBuild> fetched;
  if (chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN) {
    const int32_t r = buildChainFetching(crypt, cert, bounds, fetched);
    if (r != kSuccess) return r;
    chain = fetched->chain.get();
  }
  chainFaults(chain, faults);

  // The platform's policy compares names only; an address is compared here.
  Address address;
  const bool byAddress = readAddress(serverName, address);
  if (byAddress && !certificateNamesAddress(crypt, cert, address)) faults.nameMismatch = true;
  std::wstring name = wide(serverName);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra{};
  extra.cbSize = sizeof extra;
  extra.dwAuthType = AUTHTYPE_SERVER;
  extra.fdwChecks = 0;
  extra.pwszServerName = byAddress ? nullptr : &name[0];
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &extra;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!crypt.verifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
    faults.invalid = true;
  } else {
    policyFault(status.dwError, faults);
  }
  return certificateCode(faults);
}

}  // namespace vrxmail
