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

#include "arrival_cache.h"
#include "civil_time.h"
#include "mail_check.h"
#include "fuzz_streams.h"

namespace {

using namespace vrxmail;
using namespace vrxmail::fuzzing;

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});
int64_t fixedClock() { return kSince + 600; }

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
    return std::make_unique<ScriptTransport>(script, scriptSize, end, false, wire);
  };
  context.secure = fakeTls((flags & 8) != 0, wire);
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
    if (!keptSecret(wire, job.security == Security::implicitTls)) __builtin_trap();
    if (wire.certificateFailed && o.result == 0) __builtin_trap();
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
