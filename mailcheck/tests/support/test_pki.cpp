#include "support/test_pki.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace vrxmail::testing {
namespace {

struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
  void operator()(X509* x) const { X509_free(x); }
};
struct FileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

constexpr long kDay = 86400;

struct Issuer {
  X509* cert;  // null for a self-signed certificate
  EVP_PKEY* key;
};

struct Spec {
  std::string commonName;
  std::string altNames;  // "DNS:a,IP:1.2.3.4"; empty for a CA
  bool ca = false;
  long notBeforeOffset = -kDay;  // seconds from now
  long notAfterOffset = 30 * kDay;
};

Key newKey() { return Key(EVP_EC_gen("P-256")); }

bool addExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  if (ext == nullptr) return false;
  const bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

Cert makeCert(const Spec& spec, EVP_PKEY* key, const Issuer& issuer) {
  static long serial = static_cast<long>(std::time(nullptr)) * 16;
  Cert cert(X509_new());
  if (!cert) return nullptr;
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), ++serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), spec.notBeforeOffset);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), spec.notAfterOffset);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Quilpad tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(spec.commonName.c_str()), -1,
                             -1, 0);
  X509* signer = issuer.cert != nullptr ? issuer.cert : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
  X509_set_pubkey(cert.get(), key);
  bool ok = addExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
  if (issuer.cert != nullptr) {
    ok = ok && addExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
  }
  if (spec.ca) {
    ok = ok && addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
         addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    ok = ok && addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE") &&
         addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature") &&
         addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth") &&
         addExtension(cert.get(), signer, NID_subject_alt_name, spec.altNames);
  }
  if (!ok || X509_sign(cert.get(), issuer.key, EVP_sha256()) == 0) return nullptr;
  return cert;
}

bool writeCerts(const std::string& path, const std::vector<X509*>& certs) {
  std::unique_ptr<std::FILE, FileClose> f(std::fopen(path.c_str(), "w"));
  if (!f) return false;
  for (X509* c : certs) {
    if (PEM_write_X509(f.get(), c) != 1) return false;
  }
  return true;
}

bool writeKey(const std::string& path, EVP_PKEY* key) {
  std::unique_ptr<std::FILE, FileClose> f(std::fopen(path.c_str(), "w"));
  return f && PEM_write_PrivateKey(f.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
}

const char* baseName(ServerCert which) {
  switch (which) {
    case ServerCert::good: return "good";
    case ServerCert::viaIntermediate: return "via-intermediate";
    case ServerCert::partialChain: return "partial-chain";
    case ServerCert::selfSigned: return "self-signed";
    case ServerCert::wrongName: return "wrong-name";
    case ServerCert::expired: return "expired";
    case ServerCert::untrustedRoot: return "untrusted-root";
  }
  return "unknown";
}

constexpr const char* kLocalNames = "DNS:localhost,IP:127.0.0.1";

}  // namespace

std::string TestPki::chainFile(ServerCert which) const {
  return dir_ + "/" + baseName(which) + ".pem";
}

std::string TestPki::keyFile(ServerCert which) const {
  return dir_ + "/" + baseName(which) + ".key";
}

TestPki::TestPki(const std::string& dir) : dir_(dir) {
  Key rootKey = newKey();
  Key otherRootKey = newKey();
  Key intermediateKey = newKey();
  Key serverKey = newKey();
  if (!rootKey || !otherRootKey || !intermediateKey || !serverKey) {
    error_ = "key generation failed";
    return;
  }
  Spec caSpec{"Quilpad Test Root", "", true, -kDay, 365 * kDay};
  Cert root = makeCert(caSpec, rootKey.get(), {nullptr, rootKey.get()});
  caSpec.commonName = "Quilpad Untrusted Root";
  Cert otherRoot = makeCert(caSpec, otherRootKey.get(), {nullptr, otherRootKey.get()});
  caSpec.commonName = "Quilpad Test Intermediate";
  Cert intermediate = makeCert(caSpec, intermediateKey.get(), {root.get(), rootKey.get()});
  const Spec local{"localhost", kLocalNames};
  const Issuer byRoot{root.get(), rootKey.get()};
  const Issuer byIntermediate{intermediate.get(), intermediateKey.get()};
  Cert good = makeCert(local, serverKey.get(), byRoot);
  Cert viaIntermediate = makeCert(local, serverKey.get(), byIntermediate);
  Cert selfSigned = makeCert(local, serverKey.get(), {nullptr, serverKey.get()});
  Cert wrongName = makeCert({"mail.example.test", "DNS:mail.example.test"}, serverKey.get(), byRoot);
  Cert expired = makeCert({"localhost", kLocalNames, false, -60 * kDay, -30 * kDay},
                          serverKey.get(), byRoot);
  Cert untrusted = makeCert(local, serverKey.get(), {otherRoot.get(), otherRootKey.get()});
  if (!root || !otherRoot || !intermediate || !good || !viaIntermediate || !selfSigned ||
      !wrongName || !expired || !untrusted) {
    error_ = "certificate generation failed";
    return;
  }
  const std::vector<std::pair<ServerCert, std::vector<X509*>>> chains = {
      {ServerCert::good, {good.get()}},
      {ServerCert::viaIntermediate, {viaIntermediate.get(), intermediate.get()}},
      {ServerCert::partialChain, {viaIntermediate.get()}},
      {ServerCert::selfSigned, {selfSigned.get()}},
      {ServerCert::wrongName, {wrongName.get()}},
      {ServerCert::expired, {expired.get()}},
      {ServerCert::untrustedRoot, {untrusted.get(), otherRoot.get()}},
  };
  bool ok = writeCerts(rootFile(), {root.get()});
  for (const auto& [which, certs] : chains) {
    ok = ok && writeCerts(chainFile(which), certs) && writeKey(keyFile(which), serverKey.get());
  }
  if (!ok) error_ = "cannot write the certificates into " + dir_;
}

}  // namespace vrxmail::testing
