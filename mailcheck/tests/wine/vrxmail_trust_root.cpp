// Adds a root certificate (PEM) to the machine's trusted roots of the Wine prefix it runs in,
// as an administrator would on Windows. Usage: vrxmail_trust_root <root.pem>
// Exit status 0 when the root is in the store.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class CertStore {
 public:
  explicit CertStore(HCERTSTORE store) : store_(store) {}
  CertStore(const CertStore&) = delete;
  CertStore& operator=(const CertStore&) = delete;
  ~CertStore() {
    if (store_ != nullptr) CertCloseStore(store_, 0);
  }
  HCERTSTORE get() const { return store_; }

 private:
  HCERTSTORE store_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s root.pem\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DWORD size = 0;
  if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                           CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                                           nullptr)) {
    std::printf("cannot read %s\n", argv[1]);
    return 3;
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                       der.data(), &size, nullptr, nullptr);
  CertStore root(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                               "Root"));
  if (root.get() == nullptr) {
    std::printf("cannot open the Root store: %lu\n", GetLastError());
    return 4;
  }
  if (!CertAddEncodedCertificateToStore(root.get(), X509_ASN_ENCODING, der.data(), size,
                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    std::printf("cannot add the root: %lu\n", GetLastError());
    return 5;
  }
  std::printf("trusted\n");
  return 0;
}
