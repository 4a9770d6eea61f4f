#include "mail_check.h"

#include "ansi_text.h"
#include "imap_scanner.h"
#include "imap_session.h"
#include "line_reader.h"
#include "local_time.h"
#include "pop3_session.h"
#include "result_codes.h"

namespace vrxmail {
namespace {

int32_t ioCode(ReadResult r, int32_t awaited) {
  switch (r.status) {
    case ReadStatus::ok: return kSuccess;
    case ReadStatus::timedOut: return kWsaTimedOut;
    case ReadStatus::aborted: return kWsaInterrupted;
    case ReadStatus::failed: return r.error != 0 ? r.error : kWsaConnReset;
    // An answer cut short or beyond bounds is a bad answer to the command awaited.
    case ReadStatus::closed:
    case ReadStatus::overLimit: return awaited;
  }
  return awaited;
}

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

// Secures the stream in place; false with the outcome set when that failed.
bool secure(std::unique_ptr<Transport>& transport, const CheckJob& job,
            const CheckContext& context, const IoBounds& bounds, CheckOutcome& failed) {
  int32_t error = 0;
  std::unique_ptr<Transport> tls =
      context.secure(std::move(transport), job.endpoint.host, bounds, error);
  if (!tls) {
    failed = {error != 0 ? error : kTlsHandshakeFailed, 0};
    return false;
  }
  transport = std::move(tls);
  return true;
}

// After STARTTLS or STLS was answered OK: the upgrade, then the session's next commands.
template <typename Session>
bool upgradeIfAsked(Session& session, std::unique_ptr<Transport>& transport, LineReader& reader,
                    const CheckJob& job, const CheckContext& context, const IoBounds& bounds,
                    CheckOutcome& failed) {
  if (!session.wantsTls()) return true;
  if (!secure(transport, job, context, bounds, failed)) return false;
  reader.restartOn(*transport);
  session.onTlsStarted();
  return flush(session, *transport, failed);
}

// The count is known and LOGOUT or QUIT is sent: the server's goodbye is not waited for, so
// a server that never answers it cannot delay the report.
template <typename Session>
bool loggingOut(const Session& session) {
  return session.awaitedCommandCode() == kSuccess;
}

// A read failure after the answer was complete (during LOGOUT or QUIT) does not spoil it.
template <typename Session>
CheckOutcome afterReadFailure(Session& session, ReadResult r) {
  const int32_t awaited = session.awaitedCommandCode();
  if (awaited == kSuccess) {
    session.onConnectionLost();
    return session.outcome();
  }
  if (r.status == ReadStatus::closed || r.status == ReadStatus::overLimit) {
    session.onConnectionLost();
    return session.outcome();
  }
  return {ioCode(r, awaited), 0};
}

// Tells the mailboxes of different servers and users apart in the library's memories.
std::string mailboxScope(const CheckJob& job) {
  return job.endpoint.host + ":" + std::to_string(job.endpoint.port) + "\n" + job.user;
}

// A POP3 answer is one line at a time.
ReadResult readPop3Line(LineReader& reader, std::string& line, std::size_t maxBytes) {
  return reader.readLine(line, maxBytes);
}

void deliver(Pop3Session& session, const std::string& line) { session.onLine(line); }

// One IMAP response: a line, and while it ends in a literal, the literal and the next line.
// A status response or a continuation request is text to its end: a "{n}" there is text.
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

void deliver(ImapSession& session, const std::string& response) { session.onResponse(response); }

using ReadAnswer = ReadResult (*)(LineReader&, std::string&, std::size_t);

// The conversation of either protocol: read what the session awaits, hand it over, send
// what it queued, and secure the stream when it asks, until the count is known.
template <typename Session>
CheckOutcome converse(Session& session, ReadAnswer readAnswer,
                      std::unique_ptr<Transport>& transport, const CheckJob& job,
                      const CheckContext& context, const IoBounds& bounds) {
  LineReader reader(*transport, context.limits.maxTotalBytes);
  std::string answer;
  CheckOutcome broken;
  while (!session.finished() && !loggingOut(session)) {
    const ReadResult r = readAnswer(reader, answer, context.limits.maxResponseBytes);
    if (r.status != ReadStatus::ok) return afterReadFailure(session, r);
    deliver(session, answer);
    if (!flush(session, *transport, broken)) {
      return session.finished() || session.awaitedCommandCode() == kSuccess ? session.outcome()
                                                                             : broken;
    }
    if (!upgradeIfAsked(session, transport, reader, job, context, bounds, broken)) return broken;
  }
  return session.outcome();
}

CheckOutcome runPop3(std::unique_ptr<Transport>& transport, const CheckJob& job,
                     const CheckContext& context, const IoBounds& bounds) {
  Pop3Session session(job.user, job.password, job.since, *context.cache, mailboxScope(job),
                      job.security == Security::startTls);
  if (context.mailboxes != nullptr) session.rememberIn(*context.mailboxes, mailboxScope(job));
  return converse(session, readPop3Line, transport, job, context, bounds);
}

CheckOutcome runImap(std::unique_ptr<Transport>& transport, const CheckJob& job,
                     const CheckContext& context, const IoBounds& bounds) {
  ImapSession session(utf8FromAnsi(job.user), utf8FromAnsi(job.password), job.since,
                      context.clock != nullptr ? context.clock : epochNow,
                      job.security == Security::startTls);
  if (context.mailboxes != nullptr) {
    session.rememberIn(*context.mailboxes, mailboxScope(job) + "\nINBOX");
  }
  return converse(session, readImapResponse, transport, job, context, bounds);
}

}  // namespace

CheckOutcome runCheck(const CheckJob& job, const CheckContext& context) {
  IoBounds bounds;
  bounds.limits = context.limits;
  bounds.abort = context.abort;
  bounds.checkDeadline = std::chrono::steady_clock::now() + context.limits.checkTimeout;
  int32_t error = 0;
  std::unique_ptr<Transport> transport = context.connect(job.endpoint, bounds, error);
  if (!transport) return {error != 0 ? error : kWsaHostNotFound, 0};
  CheckOutcome failed;
  if (job.security == Security::implicitTls && !secure(transport, job, context, bounds, failed)) {
    return failed;
  }
  return job.type == kImap ? runImap(transport, job, context, bounds)
                           : runPop3(transport, job, context, bounds);
}

}  // namespace vrxmail
