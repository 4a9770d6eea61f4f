// The fuzz targets' server: a stream whose every byte comes from the fuzzer, a stand-in for
// TLS that records what goes through it, and the oracle of what must never go out unsecured.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "result_codes.h"
#include "sasl_plain.h"
#include "tls_stream.h"
#include "transport.h"

namespace vrxmail::fuzzing {

inline constexpr char kUser[] = "fuzz-user";
inline constexpr char kPassword[] = "fuzz-secret";

// What the client sent, before and after the stream was secured.
struct Wire {
  std::string plain;
  std::string secured;
  bool handedToTls = false;
  bool certificateFailed = false;
};

// Hands out the server's bytes in chunks of varying size, then ends the stream as told.
// With pauses, every other receive times out first, as a server that goes quiet would.
class ScriptTransport : public Transport {
 public:
  ScriptTransport(const uint8_t* data, std::size_t size, IoStatus end, bool pauses, Wire& wire)
      : data_(data), size_(size), end_(end), pauses_(pauses), wire_(wire) {}
  IoResult sendAll(std::string_view text) override {
    // Once handed to TLS, the plain stream must never be written to again.
    if (wire_.handedToTls) __builtin_trap();
    wire_.plain.append(text.data(), text.size());
    return {IoStatus::ok, text.size(), 0};
  }
  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    if (pos_ >= size_) return {end_, 0, end_ == IoStatus::failed ? kWsaConnReset : 0};
    paused_ = pauses_ && !paused_;
    if (paused_) return {IoStatus::timedOut, 0, 0};
    std::size_t n = 1 + (pos_ * 7 + 3) % 97;
    n = std::min({n, capacity, size_ - pos_});
    std::copy(data_ + pos_, data_ + pos_ + n, buffer);
    pos_ += n;
    return {IoStatus::ok, n, 0};
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  IoStatus end_;
  bool pauses_;
  bool paused_ = false;
  Wire& wire_;
};

// A stand-in for TLS that goes on with the same bytes and records what is sent through it.
class SecuredTransport : public Transport {
 public:
  SecuredTransport(std::unique_ptr<Transport> inner, Wire& wire)
      : inner_(std::move(inner)), wire_(wire) {}
  IoResult sendAll(std::string_view text) override {
    wire_.secured.append(text.data(), text.size());
    return {IoStatus::ok, text.size(), 0};
  }
  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    return inner_->receiveSome(buffer, capacity);
  }

 private:
  std::unique_ptr<Transport> inner_;
  Wire& wire_;
};

// The TLS of the targets: fails its certificate check when told, else a SecuredTransport.
inline TlsStarter fakeTls(bool certificateFails, Wire& wire) {
  return [certificateFails, &wire](std::unique_ptr<Transport> inner, const std::string&,
                                   const IoBounds&, int32_t& error) -> std::unique_ptr<Transport> {
    wire.handedToTls = true;
    if (certificateFails) {
      wire.certificateFailed = true;
      error = kCertSelfSigned;
      return nullptr;
    }
    return std::make_unique<SecuredTransport>(std::move(inner), wire);
  };
}

inline bool contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// Anything of a login in bytes that went out unsecured.
inline bool loginIn(const std::string& bytes) {
  for (const char* word : {"LOGIN", "AUTHENTICATE", "USER", "PASS", kUser, kPassword}) {
    if (contains(bytes, word)) return true;
  }
  return contains(bytes, saslPlainResponse(kUser, kPassword));
}

// Where TLS was asked for: no login unsecured, nothing at all once the certificate failed,
// and with implicit TLS not a byte before it.
inline bool keptSecret(const Wire& wire, bool implicitTls) {
  if (loginIn(wire.plain)) return false;
  if (wire.certificateFailed && !wire.secured.empty()) return false;
  return !implicitTls || wire.plain.empty();
}

// Bits 4-5 of a target's first byte: how the stream ends.
inline IoStatus endOfStream(uint8_t flags) {
  switch ((flags >> 4) & 3) {
    case 1: return IoStatus::timedOut;
    case 2: return IoStatus::aborted;
    case 3: return IoStatus::failed;
    default: return IoStatus::closed;
  }
}

}  // namespace vrxmail::fuzzing
