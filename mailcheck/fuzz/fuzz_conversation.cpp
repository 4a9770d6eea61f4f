// Whole checks against a server whose every byte comes from the fuzzer: the line reader,
// IMAP literals, both conversations and the date parsers behind them.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "arrival_cache.h"
#include "civil_time.h"
#include "mail_check.h"

namespace {

using namespace vrxmail;

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});
int64_t fixedClock() { return kSince + 600; }

// Hands out the server's bytes in chunks of varying size, then reports the stream closed.
class ScriptTransport : public Transport {
 public:
  ScriptTransport(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  IoResult sendAll(std::string_view text) override { return {IoStatus::ok, text.size(), 0}; }
  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    if (pos_ >= size_) return {IoStatus::closed, 0, 0};
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
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  ArrivalCache cache(64);
  CheckContext context;
  context.limits.maxResponseBytes = 64 * 1024;
  context.limits.maxTotalBytes = 1 << 20;
  context.cache = &cache;
  context.clock = fixedClock;
  const uint8_t* script = data + 1;
  const std::size_t scriptSize = size - 1;
  context.connect = [script, scriptSize](const Endpoint&, const IoBounds&,
                                         int32_t&) -> std::unique_ptr<Transport> {
    return std::make_unique<ScriptTransport>(script, scriptSize);
  };
  CheckJob job;
  job.type = (data[0] & 1) != 0 ? kImap : kPop3;
  // STARTTLS through a stand-in for TLS that goes on with the same bytes.
  job.security = (data[0] & 2) != 0 ? Security::startTls : Security::plain;
  context.secure = [](std::unique_ptr<Transport> inner, const std::string&, int32_t&) {
    return inner;
  };
  job.endpoint = {"fuzz", 1};
  job.user = "u";
  job.password = "p";
  job.since = kSince;
  const CheckOutcome o = runCheck(job, context);
  if (o.result == 0 && o.newCount < 0) __builtin_trap();
  return 0;
}
