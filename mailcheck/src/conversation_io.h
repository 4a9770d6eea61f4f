// What every conversation with a mail server does alike, the checks' and the watch's: open
// the stream (with implicit TLS where asked), send what the session queued, secure the stream
// when the session asks, and read one IMAP response with its literals.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "check_outcome.h"
#include "line_reader.h"
#include "mail_check.h"
#include "result_codes.h"
#include "tls_stream.h"
#include "transport.h"

namespace vrxmail {

// The code of a send that failed.
int32_t sendCode(IoResult r);

// Connects to the job's server and, for implicit TLS, secures the stream; null with the
// outcome set when that failed.
std::unique_ptr<Transport> openStream(const CheckJob& job, const Connector& connect,
                                      const TlsStarter& starter, const IoBounds& bounds,
                                      CheckOutcome& failed);

// Secures the stream in place; false with the outcome set when that failed.
bool secure(std::unique_ptr<Transport>& transport, const std::string& serverName,
            const TlsStarter& starter, const IoBounds& bounds, CheckOutcome& failed);

// One IMAP response: a line, and while it ends in a literal, the literal and the next line.
// A status response or a continuation request is text to its end: a "{n}" there is text.
ReadResult readImapResponse(LineReader& reader, std::string& response, std::size_t maxBytes);

// Sends what the session queued; false with the outcome set when the stream broke.
template <typename Session>
bool flush(Session& session, Transport& transport, CheckOutcome& broken) {
  const std::string out = session.takeOutput();
  if (out.empty()) return true;
  const IoResult r = transport.sendAll(out);
  if (r.status == IoStatus::ok) return true;
  broken = {sendCode(r), 0};
  return false;
}

// After STARTTLS or STLS was answered OK: the upgrade, then the session's next commands.
template <typename Session>
bool upgradeIfAsked(Session& session, std::unique_ptr<Transport>& transport, LineReader& reader,
                    const std::string& serverName, const TlsStarter& starter,
                    const IoBounds& bounds, CheckOutcome& failed) {
  if (!session.wantsTls()) return true;
  if (!secure(transport, serverName, starter, bounds, failed)) return false;
  reader.restartOn(*transport);
  session.onTlsStarted();
  return flush(session, *transport, failed);
}

}  // namespace vrxmail
