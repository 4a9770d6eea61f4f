// TLS over a Transport with the platform's Schannel: the handshake and every record pass
// through the transport, so its time-outs and abort hold throughout. Schannel is told to
// leave the server's certificate alone; it is checked here, before any byte of the mail
// protocol, because some implementations of the platform accept any certificate by default.
#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "cert_check_win32.h"
#include "result_codes.h"
#include "tls_libraries_win32.h"
#include "tls_stream.h"

namespace vrxmail {
namespace {

using Sspi = SecurityFunctionTableA;

class Credentials {
 public:
  explicit Credentials(const Sspi& sspi) : sspi_(sspi) { SecInvalidateHandle(&handle_); }
  Credentials(const Credentials&) = delete;
  Credentials& operator=(const Credentials&) = delete;
  ~Credentials() {
    if (SecIsValidHandle(&handle_)) sspi_.FreeCredentialsHandle(&handle_);
  }
  CredHandle* get() { return &handle_; }

 private:
  const Sspi& sspi_;
  CredHandle handle_;
};

class SecurityContext {
 public:
  explicit SecurityContext(const Sspi& sspi) : sspi_(sspi) { SecInvalidateHandle(&handle_); }
  SecurityContext(const SecurityContext&) = delete;
  SecurityContext& operator=(const SecurityContext&) = delete;
  ~SecurityContext() {
    if (SecIsValidHandle(&handle_)) sspi_.DeleteSecurityContext(&handle_);
  }
  CtxtHandle* get() { return &handle_; }

 private:
  const Sspi& sspi_;
  CtxtHandle handle_;
};

// A token Schannel allocated for us.
class OutputToken {
 public:
  explicit OutputToken(const Sspi& sspi) : sspi_(sspi) {
    buffer_.BufferType = SECBUFFER_TOKEN;
    buffer_.cbBuffer = 0;
    buffer_.pvBuffer = nullptr;
    desc_.ulVersion = SECBUFFER_VERSION;
    desc_.cBuffers = 1;
    desc_.pBuffers = &buffer_;
  }
  OutputToken(const OutputToken&) = delete;
  OutputToken& operator=(const OutputToken&) = delete;
  ~OutputToken() {
    if (buffer_.pvBuffer != nullptr) sspi_.FreeContextBuffer(buffer_.pvBuffer);
  }
  SecBufferDesc* desc() { return &desc_; }
  std::string_view bytes() const {
    return buffer_.pvBuffer == nullptr
               ? std::string_view()
               : std::string_view(static_cast<const char*>(buffer_.pvBuffer), buffer_.cbBuffer);
  }

 private:
  const Sspi& sspi_;
  SecBuffer buffer_;
  SecBufferDesc desc_;
};

class CertContext {
 public:
  explicit CertContext(const CertCalls& crypt) : crypt_(crypt) {}
  CertContext(const CertContext&) = delete;
  CertContext& operator=(const CertContext&) = delete;
  ~CertContext() {
    if (cert_ != nullptr) crypt_.freeCertificateContext(cert_);
  }
  PCCERT_CONTEXT* out() { return &cert_; }
  PCCERT_CONTEXT get() const { return cert_; }

 private:
  const CertCalls& crypt_;
  PCCERT_CONTEXT cert_ = nullptr;
};

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr std::size_t kReadChunk = 16384;
constexpr int kMaxCredentialRequests = 2;
// No TLS record is longer than this (a 16 KiB record with its header and padding).
constexpr std::size_t kMaxRecordBytes = 16384 + 2048 + 5;

class SchannelTransport final : public Transport {
 public:
  SchannelTransport(const Sspi& sspi, const CertCalls& crypt, std::unique_ptr<Transport> inner,
                    const IoBounds& bounds)
      : sspi_(sspi), crypt_(crypt), inner_(std::move(inner)), bounds_(bounds),
        credentials_(sspi), context_(sspi) {}

  int32_t handshake(const std::string& serverName) {
    SCHANNEL_CRED cred{};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry;
    if (sspi_.AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                  nullptr, &cred, nullptr, nullptr, credentials_.get(),
                                  &expiry) != SEC_E_OK) {
      return kTlsHandshakeFailed;
    }
    std::string target = serverName;
    const int32_t first = step(&target[0], nullptr);
    if (first != kSuccess) return first;
    bool needInput = true;
    int credentialRequests = 0;
    for (;;) {
      if (needInput) {
        const int32_t got = pullIn();
        if (got != kSuccess) return got;
      }
      SecBuffer in[2];
      in[0].BufferType = SECBUFFER_TOKEN;
      in[0].cbBuffer = static_cast<unsigned long>(incoming_.size());
      in[0].pvBuffer = &incoming_[0];
      in[1].BufferType = SECBUFFER_EMPTY;
      in[1].cbBuffer = 0;
      in[1].pvBuffer = nullptr;
      SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
      OutputToken out(sspi_);
      unsigned long attributes = 0;
      const SECURITY_STATUS s =
          sspi_.InitializeSecurityContextA(credentials_.get(), context_.get(), &target[0], kContextFlags,
                                     0, 0, &inDesc, 0, nullptr, out.desc(), &attributes, nullptr);
      if (s == SEC_E_INCOMPLETE_MESSAGE) {
        needInput = true;
        continue;
      }
      if (!out.bytes().empty()) {
        // Also after a failure: the token is then an alert the server should see.
        const IoResult sent = inner_->sendAll(out.bytes());
        if (sent.status != IoStatus::ok) return handshakeIoCode(sent);
      }
      if (FAILED(s)) return kTlsHandshakeFailed;
      if (s == SEC_I_INCOMPLETE_CREDENTIALS) {
        // The server asks for a client certificate: go on, with the same input, without one.
        // Asked again and again, the handshake is not going anywhere.
        if (++credentialRequests > kMaxCredentialRequests) return kTlsHandshakeFailed;
        needInput = false;
        continue;
      }
      keepExtra(in[1]);
      if (s == SEC_E_OK) break;
      if (s != SEC_I_CONTINUE_NEEDED) return kTlsHandshakeFailed;
      needInput = incoming_.empty();
    }
    if (sspi_.QueryContextAttributesA(context_.get(), SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK) {
      return kTlsHandshakeFailed;
    }
    CertContext cert(crypt_);
    if (sspi_.QueryContextAttributesA(context_.get(), SECPKG_ATTR_REMOTE_CERT_CONTEXT, cert.out()) !=
            SEC_E_OK ||
        cert.get() == nullptr) {
      return kCertInvalid;
    }
    return verifyServerCertificate(crypt_, cert.get(), serverName, bounds_);
  }

  IoResult sendAll(std::string_view data) override {
    std::size_t done = 0;
    std::vector<char> record;
    while (done < data.size()) {
      const std::size_t n = std::min<std::size_t>(data.size() - done, sizes_.cbMaximumMessage);
      record.resize(sizes_.cbHeader + n + sizes_.cbTrailer);
      std::memcpy(record.data() + sizes_.cbHeader, data.data() + done, n);
      SecBuffer b[4];
      b[0] = {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
      b[1] = {static_cast<unsigned long>(n), SECBUFFER_DATA, record.data() + sizes_.cbHeader};
      b[2] = {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + n};
      b[3] = {0, SECBUFFER_EMPTY, nullptr};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
      if (sspi_.EncryptMessage(context_.get(), 0, &desc, 0) != SEC_E_OK) {
        return {IoStatus::failed, done, kTlsHandshakeFailed};
      }
      const std::size_t total = b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer;
      const IoResult r = inner_->sendAll(std::string_view(record.data(), total));
      if (r.status != IoStatus::ok) return {r.status, done, r.error};
      done += n;
    }
    return {IoStatus::ok, done, 0};
  }

  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    for (;;) {
      if (!plain_.empty()) {
        const std::size_t n = std::min(capacity, plain_.size());
        std::memcpy(buffer, plain_.data(), n);
        plain_.erase(0, n);
        return {IoStatus::ok, n, 0};
      }
      if (closed_) return {IoStatus::closed, 0, 0};
      if (!incoming_.empty()) {
        const IoResult r = decrypt();
        if (r.status != IoStatus::ok) return r;
        if (r.bytes > 0 || !plain_.empty() || closed_) continue;
      }
      if (incoming_.size() > kMaxRecordBytes) return {IoStatus::failed, 0, kTlsHandshakeFailed};
      char chunk[kReadChunk];
      const IoResult got = inner_->receiveSome(chunk, sizeof chunk);
      if (got.status != IoStatus::ok) return got;
      incoming_.append(chunk, got.bytes);
    }
  }

 private:
  // One handshake call without input (the first); sends what it produced.
  int32_t step(char* target, SecBufferDesc* input) {
    OutputToken out(sspi_);
    unsigned long attributes = 0;
    const SECURITY_STATUS s = sspi_.InitializeSecurityContextA(
        credentials_.get(), nullptr, target, kContextFlags, 0, 0, input, 0, context_.get(),
        out.desc(), &attributes, nullptr);
    if (s != SEC_I_CONTINUE_NEEDED && s != SEC_E_OK) return kTlsHandshakeFailed;
    const IoResult sent = inner_->sendAll(out.bytes());
    return sent.status == IoStatus::ok ? kSuccess : handshakeIoCode(sent);
  }

  int32_t pullIn() {
    if (incoming_.size() > kMaxRecordBytes * 4) return kTlsHandshakeFailed;
    char chunk[kReadChunk];
    const IoResult got = inner_->receiveSome(chunk, sizeof chunk);
    if (got.status != IoStatus::ok) return handshakeIoCode(got);
    incoming_.append(chunk, got.bytes);
    return kSuccess;
  }

  void keepExtra(const SecBuffer& extra) {
    if (extra.BufferType == SECBUFFER_EXTRA && extra.cbBuffer > 0 &&
        extra.cbBuffer <= incoming_.size()) {
      incoming_.erase(0, incoming_.size() - extra.cbBuffer);
    } else {
      incoming_.clear();
    }
  }

  // Decrypts the records received so far; bytes is 0 when a whole record is still missing.
  IoResult decrypt() {
    SecBuffer b[4];
    b[0] = {static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, &incoming_[0]};
    for (int i = 1; i < 4; ++i) b[i] = {0, SECBUFFER_EMPTY, nullptr};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
    const SECURITY_STATUS s = sspi_.DecryptMessage(context_.get(), &desc, 0, nullptr);
    if (s == SEC_E_INCOMPLETE_MESSAGE) return {IoStatus::ok, 0, 0};
    if (s == SEC_I_CONTEXT_EXPIRED) {
      closed_ = true;  // the server's close_notify
      incoming_.clear();
      return {IoStatus::ok, 0, 0};
    }
    // TLS 1.2 is the only protocol offered, so this is the server asking for a new
    // handshake. Its certificate would have to be checked again before another byte went
    // out; mail servers have no need of it, so it is refused.
    if (s == SEC_I_RENEGOTIATE) return {IoStatus::failed, 0, kTlsRenegotiationRefused};
    if (s != SEC_E_OK) return {IoStatus::failed, 0, kTlsHandshakeFailed};
    std::size_t produced = 0;
    const SecBuffer* extra = nullptr;
    for (const SecBuffer& x : b) {
      if (x.BufferType == SECBUFFER_DATA && x.cbBuffer > 0) {
        plain_.append(static_cast<const char*>(x.pvBuffer), x.cbBuffer);
        produced += x.cbBuffer;
      }
      if (x.BufferType == SECBUFFER_EXTRA && x.cbBuffer > 0) extra = &x;
    }
    if (extra != nullptr) {
      keepExtra(*extra);
    } else {
      incoming_.clear();
    }
    return {IoStatus::ok, produced == 0 ? 1u : produced, 0};
  }

  const Sspi& sspi_;
  const CertCalls& crypt_;
  std::unique_ptr<Transport> inner_;
  IoBounds bounds_;
  Credentials credentials_;
  SecurityContext context_;
  SecPkgContext_StreamSizes sizes_{};
  std::string incoming_;  // received, not yet decrypted
  std::string plain_;     // decrypted, not yet taken
  bool closed_ = false;
};

}  // namespace

std::unique_ptr<Transport> startTls(std::unique_ptr<Transport> inner,
                                    const std::string& serverName, const IoBounds& bounds,
                                    int32_t& error) {
  const Sspi* sspi = schannelCalls();
  const CertCalls* crypt = certCalls();
  if (sspi == nullptr || crypt == nullptr) {
    error = kTlsHandshakeFailed;
    return nullptr;
  }
  auto tls = std::make_unique<SchannelTransport>(*sspi, *crypt, std::move(inner), bounds);
  error = tls->handshake(serverName);
  if (error != kSuccess) return nullptr;
  return tls;
}

}  // namespace vrxmail
