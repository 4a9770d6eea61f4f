// Whole checks against a server whose every byte comes from the fuzzer: the line reader,
// IMAP literals, both conversations and the date parsers behind them. The first byte picks
// the protocol, how the connection is secured, whether the certificate fails, how the
// stream ends and whether a second check follows with the same arrival memory:
//   bit 0  IMAP (else POP3)         bit 3     the certificate check fails
//   bit 1  STARTTLS / STLS          bits 4-5  the stream then closes, times out, is aborted
//   bit 2  implicit TLS (no bit 1)            or fails
//   bit 6  a second check with the same arrival memory and the same bytes
// The oracle is the library's central promise: where TLS is required, no login command and
// no byte of the user name or password goes out before the stream is secured, and nothing
// at all once the certificate check failed.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "arrival_cache.h"
#include "civil_time.h"
#include "mail_check.h"
#include "result_codes.h"
#include "sasl_plain.h"

namespace {

using namespace vrxmail;

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});
int64_t fixedClock() { return kSince + 600; }

const char kUser[] = "fuzz-user";
const char kPassword[] = "fuzz-secret";

// What the client sent, before and after the stream was secured.
struct Wire {
  std::string plain;
  std::string secured;
  bool handedToTls = false;
  bool certificateFailed = false;
};

// Hands out the server's bytes in chunks of varying size, then ends the stream as told.
class ScriptTransport : public Transport {
 public:
  ScriptTransport(const uint8_t* data, std::size_t size, IoStatus end, Wire& wire)
      : data_(data), size_(size), end_(end), wire_(wire) {}
  IoResult sendAll(std::string_view text) override {
    // Once handed to TLS, the plain stream must never be written to again.
    if (wire_.handedToTls) __builtin_trap();
    wire_.plain.append(text.data(), text.size());
    return {IoStatus::ok, text.size(), 0};
  }
  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    if (pos_ >= size_) return {end_, 0, end_ == IoStatus::failed ? kWsaConnReset : 0};
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

bool contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// Anything of a login in bytes that went out unsecured.
bool loginIn(const std::string& bytes) {
  for (const char* word : {"LOGIN", "AUTHENTICATE", "USER", "PASS", kUser, kPassword}) {
    if (contains(bytes, word)) return true;
  }
  return contains(bytes, saslPlainResponse(kUser, kPassword));
}

IoStatus endOfStream(uint8_t flags) {
  switch ((flags >> 4) & 3) {
    case 1: return IoStatus::timedOut;
    case 2: return IoStatus::aborted;
    case 3: return IoStatus::failed;
    default: return IoStatus::closed;
  }
}

void checkOnce(uint8_t flags, const uint8_t* script, std::size_t scriptSize, ArrivalCache& cache) {
  Wire wire;
  CheckContext context;
  context.limits.maxResponseBytes = 64 * 1024;
  context.limits.maxTotalBytes = 1 << 20;
  context.cache = &cache;
  context.clock = fixedClock;
  const IoStatus end = endOfStream(flags);
  context.connect = [script, scriptSize, end, &wire](const Endpoint&, const IoBounds&,
                                                     int32_t&) -> std::unique_ptr<Transport> {
    return std::make_unique<ScriptTransport>(script, scriptSize, end, wire);
  };
  const bool certificateFails = (flags & 8) != 0;
  context.secure = [certificateFails, &wire](std::unique_ptr<Transport> inner,
                                             const std::string&, const IoBounds&,
                                             int32_t& error) -> std::unique_ptr<Transport> {
    wire.handedToTls = true;
    if (certificateFails) {
      wire.certificateFailed = true;
      error = kCertSelfSigned;
      return nullptr;
    }
    return std::make_unique<SecuredTransport>(std::move(inner), wire);
  };
  CheckJob job;
  job.type = (flags & 1) != 0 ? kImap : kPop3;
  job.security = (flags & 2) != 0   ? Security::startTls
                 : (flags & 4) != 0 ? Security::implicitTls
                                    : Security::plain;
  job.endpoint = {"fuzz", 1};
  job.user = kUser;
  job.password = kPassword;
  job.since = kSince;
  const CheckOutcome o = runCheck(job, context);
  if (o.result == 0 && o.newCount < 0) __builtin_trap();
  if (job.security != Security::plain) {
    if (loginIn(wire.plain)) __builtin_trap();
    if (wire.certificateFailed && (!wire.secured.empty() || o.result == 0)) __builtin_trap();
    if (job.security == Security::implicitTls && !wire.plain.empty()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  ArrivalCache cache(64);
  checkOnce(data[0], data + 1, size - 1, cache);
  if ((data[0] & 64) != 0) checkOnce(data[0], data + 1, size - 1, cache);
  return 0;
}
