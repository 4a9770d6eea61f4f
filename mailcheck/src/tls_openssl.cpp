// TLS over a Transport with OpenSSL memory buffers: the library never touches the socket, so
// the transport's time-outs and abort hold through the handshake and every record.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <memory>
#include <string>

#include "cert_faults.h"
#include "result_codes.h"
#include "server_address.h"
#include "tls_openssl.h"

namespace vrxmail {
namespace {

struct ContextFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
  void operator()(SSL* s) const { SSL_free(s); }
};
struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};
using ContextPtr = std::unique_ptr<SSL_CTX, ContextFree>;
using SslPtr = std::unique_ptr<SSL, SslFree>;
using X509Ptr = std::unique_ptr<X509, X509Free>;

// Records every fault the chain check reports and lets the handshake finish, so that all of
// them are known and the worst is reported; nothing is sent before the verdict.
int noteFault(int preverified, X509_STORE_CTX* store) {
  if (preverified == 1) return 1;
  SSL* ssl = static_cast<SSL*>(
      X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* faults = static_cast<CertFaults*>(SSL_get_app_data(ssl));
  switch (X509_STORE_CTX_get_error(store)) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT: faults->selfSigned = true; break;
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN: faults->untrustedRoot = true; break;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: faults->incompleteChain = true; break;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID: faults->expired = true; break;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: faults->nameMismatch = true; break;
    default: faults->invalid = true; break;
  }
  return 1;
}

class OpenSslTransport final : public Transport {
 public:
  OpenSslTransport(std::unique_ptr<Transport> inner, ContextPtr context, SslPtr ssl)
      : inner_(std::move(inner)), context_(std::move(context)), ssl_(std::move(ssl)) {}

  // The handshake and the certificate verdict: kSuccess or the code of the failure.
  int32_t handshake() {
    SSL_set_app_data(ssl_.get(), &faults_);
    for (;;) {
      ERR_clear_error();
      const int r = SSL_do_handshake(ssl_.get());
      const IoResult sent = flushOut();
      if (sent.status != IoStatus::ok) return handshakeIoCode(sent);
      if (r == 1) break;
      if (SSL_get_error(ssl_.get(), r) != SSL_ERROR_WANT_READ) return kTlsHandshakeFailed;
      const IoResult got = pullIn();
      if (got.status == IoStatus::closed) return kTlsHandshakeFailed;
      if (got.status != IoStatus::ok) return handshakeIoCode(got);
    }
    X509Ptr peer(SSL_get1_peer_certificate(ssl_.get()));
    if (!peer) faults_.invalid = true;
    return certificateCode(faults_);
  }

  IoResult sendAll(std::string_view data) override {
    if (!data.empty()) {
      ERR_clear_error();
      std::size_t written = 0;
      if (SSL_write_ex(ssl_.get(), data.data(), data.size(), &written) != 1) {
        return {IoStatus::failed, 0, kTlsHandshakeFailed};
      }
    }
    IoResult r = flushOut();
    if (r.status == IoStatus::ok) r.bytes = data.size();
    return r;
  }

  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    for (;;) {
      ERR_clear_error();
      std::size_t n = 0;
      const int r = SSL_read_ex(ssl_.get(), buffer, capacity, &n);
      if (r == 1) return {IoStatus::ok, n, 0};
      const int e = SSL_get_error(ssl_.get(), r);
      if (e == SSL_ERROR_ZERO_RETURN) return {IoStatus::closed, 0, 0};
      if (e != SSL_ERROR_WANT_READ) return {IoStatus::failed, 0, kTlsHandshakeFailed};
      // Post-handshake messages (session tickets, key updates) may need an answer.
      const IoResult sent = flushOut();
      if (sent.status != IoStatus::ok) return sent;
      const IoResult got = pullIn();
      if (got.status != IoStatus::ok) return got;
    }
  }

 private:
  // Sends whatever the TLS engine has written into its outgoing buffer.
  IoResult flushOut() {
    BIO* out = SSL_get_wbio(ssl_.get());
    char chunk[16384];
    for (;;) {
      const int n = BIO_read(out, chunk, sizeof chunk);
      if (n <= 0) return {IoStatus::ok, 0, 0};
      const IoResult r = inner_->sendAll(std::string_view(chunk, static_cast<std::size_t>(n)));
      if (r.status != IoStatus::ok) return r;
    }
  }

  // Feeds the TLS engine what the server sent next.
  IoResult pullIn() {
    char chunk[16384];
    const IoResult r = inner_->receiveSome(chunk, sizeof chunk);
    if (r.status != IoStatus::ok) return r;
    BIO_write(SSL_get_rbio(ssl_.get()), chunk, static_cast<int>(r.bytes));
    return r;
  }

  std::unique_ptr<Transport> inner_;
  ContextPtr context_;
  SslPtr ssl_;
  CertFaults faults_;
};

std::unique_ptr<Transport> start(std::unique_ptr<Transport> inner, const std::string& serverName,
                                 const std::string& rootsFile, int32_t& error) {
  error = kTlsHandshakeFailed;
  ContextPtr context(SSL_CTX_new(TLS_client_method()));
  if (!context) return nullptr;
  SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
  const int roots = rootsFile.empty()
                        ? SSL_CTX_set_default_verify_paths(context.get())
                        : SSL_CTX_load_verify_locations(context.get(), rootsFile.c_str(), nullptr);
  if (roots != 1) return nullptr;
  SslPtr ssl(SSL_new(context.get()));
  if (!ssl) return nullptr;
  BIO* in = BIO_new(BIO_s_mem());
  BIO* out = BIO_new(BIO_s_mem());
  if (in == nullptr || out == nullptr) {
    BIO_free(in);
    BIO_free(out);
    return nullptr;
  }
  SSL_set_bio(ssl.get(), in, out);  // the SSL owns both from here
  SSL_set_connect_state(ssl.get());
  SSL_set_verify(ssl.get(), SSL_VERIFY_PEER, noteFault);
  X509_VERIFY_PARAM* param = SSL_get0_param(ssl.get());
  X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  const bool address = X509_VERIFY_PARAM_set1_ip_asc(param, serverName.c_str()) == 1;
  if (!address) {
    if (X509_VERIFY_PARAM_set1_host(param, serverName.c_str(), serverName.size()) != 1) {
      return nullptr;
    }
    SSL_set_tlsext_host_name(ssl.get(), serverName.c_str());
  }
  auto tls = std::make_unique<OpenSslTransport>(std::move(inner), std::move(context),
                                                std::move(ssl));
  error = tls->handshake();
  if (error != kSuccess) return nullptr;
  return tls;
}

}  // namespace

// The native check finds issuers only among the trusted roots and the chain sent: it does
// no work outside inner, so the bounds of inner are all there is.
std::unique_ptr<Transport> startTls(std::unique_ptr<Transport> inner,
                                    const std::string& serverName, const IoBounds&,
                                    int32_t& error) {
  return start(std::move(inner), serverName, std::string(), error);
}

TlsStarter tlsTrustingOnly(std::string rootsPemFile) {
  return [rootsPemFile](std::unique_ptr<Transport> inner, const std::string& serverName,
                        const IoBounds&, int32_t& error) {
    return start(std::move(inner), serverName, rootsPemFile, error);
  };
}

}  // namespace vrxmail
