#include "conversation_io.h"

#include <utility>

#include "imap_scanner.h"

namespace vrxmail {

int32_t sendCode(IoResult r) {
  switch (r.status) {
    case IoStatus::ok: return kSuccess;
    case IoStatus::timedOut: return kWsaTimedOut;
    case IoStatus::aborted: return kWsaInterrupted;
    case IoStatus::closed: return kWsaConnReset;
    case IoStatus::failed: return r.error != 0 ? r.error : kWsaConnReset;
  }
  return kWsaConnReset;
}

bool secure(std::unique_ptr<Transport>& transport, const std::string& serverName,
            const TlsStarter& starter, const IoBounds& bounds, CheckOutcome& failed) {
  int32_t error = 0;
  std::unique_ptr<Transport> tls = starter(std::move(transport), serverName, bounds, error);
  if (!tls) {
    failed = {error != 0 ? error : kTlsHandshakeFailed, 0};
    return false;
  }
  transport = std::move(tls);
  return true;
}

std::unique_ptr<Transport> openStream(const CheckJob& job, const Connector& connect,
                                      const TlsStarter& starter, const IoBounds& bounds,
                                      CheckOutcome& failed) {
  int32_t error = 0;
  std::unique_ptr<Transport> transport = connect(job.endpoint, bounds, error);
  if (!transport) {
    failed = {error != 0 ? error : kWsaHostNotFound, 0};
    return nullptr;
  }
  if (job.security == Security::implicitTls &&
      !secure(transport, job.endpoint.host, starter, bounds, failed)) {
    return nullptr;
  }
  return transport;
}

ReadResult readImapResponse(LineReader& reader, std::string& response, std::size_t maxBytes) {
  response.clear();
  std::string line;
  for (;;) {
    const bool firstLine = response.empty();
    const ReadResult r = reader.readLine(line, maxBytes - response.size());
    if (r.status != ReadStatus::ok) return r;
    response += line;
    if (firstLine && isTextResponse(line)) return r;
    std::size_t literal = 0;
    if (!literalAtLineEnd(line, literal)) return r;
    if (literal + 2 > maxBytes - response.size()) return {ReadStatus::overLimit, 0};
    response += "\r\n";
    const ReadResult l = reader.readExact(response, literal);
    if (l.status != ReadStatus::ok) return l;
  }
}

}  // namespace vrxmail
