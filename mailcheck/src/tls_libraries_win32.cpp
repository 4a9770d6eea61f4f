#include "tls_libraries_win32.h"

#include <string>

namespace vrxmail {
namespace {

// From the system folder only, so that a file of the same name beside the program is never
// taken for it. Never freed: the calls taken from it stay in use until the process ends.
HMODULE loadSystemLibrary(const char* name) {
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(folder, length) + "\\" + name;
  return LoadLibraryA(path.c_str());
}

template <typename Call>
bool take(HMODULE library, const char* name, Call& call) {
  call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return call != nullptr;
}

const SecurityFunctionTableA* loadSchannel() {
  const HMODULE library = loadSystemLibrary("secur32.dll");
  INIT_SECURITY_INTERFACE_A init = nullptr;
  if (library == nullptr || !take(library, SECURITY_ENTRYPOINT_ANSIA, init)) return nullptr;
  const SecurityFunctionTableA* table = init();
  if (table == nullptr || table->AcquireCredentialsHandleA == nullptr ||
      table->FreeCredentialsHandle == nullptr || table->InitializeSecurityContextA == nullptr ||
      table->DeleteSecurityContext == nullptr || table->QueryContextAttributesA == nullptr ||
      table->FreeContextBuffer == nullptr || table->EncryptMessage == nullptr ||
      table->DecryptMessage == nullptr) {
    return nullptr;
  }
  return table;
}

bool loadCert(CertCalls& calls) {
  const HMODULE library = loadSystemLibrary("crypt32.dll");
  return library != nullptr && take(library, "CertGetCertificateChain", calls.getCertificateChain) &&
         take(library, "CertFreeCertificateChain", calls.freeCertificateChain) &&
         take(library, "CertDuplicateCertificateContext", calls.duplicateCertificateContext) &&
         take(library, "CertFreeCertificateContext", calls.freeCertificateContext) &&
         take(library, "CertFindExtension", calls.findExtension) &&
         take(library, "CryptDecodeObjectEx", calls.decodeObjectEx) &&
         take(library, "CertVerifyCertificateChainPolicy", calls.verifyCertificateChainPolicy);
}

}  // namespace

const SecurityFunctionTableA* schannelCalls() {
  static const SecurityFunctionTableA* const table = loadSchannel();
  return table;
}

const CertCalls* certCalls() {
  static CertCalls calls{};
  static const bool loaded = loadCert(calls);
  return loaded ? &calls : nullptr;
}

}  // namespace vrxmail
