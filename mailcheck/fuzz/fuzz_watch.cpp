// One connection of a mailbox watch against a server whose every byte comes from the fuzzer:
// the login, EXAMINE, IDLE, DONE and IDLE again, untagged counts, BYE and whatever else
// comes. The first byte picks how the connection is secured and how the stream ends:
//   bit 0  a reconnection (it tells when it reaches IDLE)
//   bit 1  STARTTLS; bit 2  implicit TLS (without bit 1); bit 3  the certificate check fails
//   bits 4-5  the stream then closes, times out, is aborted or fails
//   bit 6  the server goes quiet between the chunks it sends (the watch sends DONE)
// The oracle: where TLS is required, no login and no byte of the user name, the password or
// their SASL PLAIN form goes out before the stream is secured, nothing at all once the
// certificate check failed; an event told is one of those the watch tells.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_streams.h"
#include "watch_connection.h"

namespace {

using namespace vrxmail;
using namespace vrxmail::fuzzing;

void watchOnce(uint8_t flags, const uint8_t* script, std::size_t scriptSize) {
  Wire wire;
  WatchContext context;
  context.limits.maxResponseBytes = 64 * 1024;
  context.limits.maxTotalBytes = 1 << 20;
  const IoStatus end = endOfStream(flags);
  const bool pauses = (flags & 64) != 0;
  context.connect = [script, scriptSize, end, pauses, &wire](
                        const Endpoint&, const IoBounds&, int32_t&) -> std::unique_ptr<Transport> {
    return std::make_unique<ScriptTransport>(script, scriptSize, end, pauses, wire);
  };
  context.secure = fakeTls((flags & 8) != 0, wire);
  WatchRun run;
  run.job.type = kImap;
  run.job.security = (flags & 2) != 0   ? Security::startTls
                     : (flags & 4) != 0 ? Security::implicitTls
                                        : Security::plain;
  run.job.endpoint = {"fuzz", 1};
  run.job.user = kUser;
  run.job.password = kPassword;
  run.notify = [](int32_t event) {
    if (event != kWatchNewMail && event != kWatchReconnected) __builtin_trap();
  };
  watchConnection(run, context, (flags & 1) != 0);
  if (run.job.security != Security::plain &&
      !keptSecret(wire, run.job.security == Security::implicitTls)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  watchOnce(data[0], data + 1, size - 1);
  return 0;
}
