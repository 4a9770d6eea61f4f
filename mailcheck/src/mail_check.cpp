#include "mail_check.h"

#include "ansi_text.h"
#include "conversation_io.h"
#include "imap_session.h"
#include "local_time.h"
#include "pop3_session.h"

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
    if (!upgradeIfAsked(session, transport, reader, job.endpoint.host, context.secure, bounds,
                        broken)) {
      return broken;
    }
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
  CheckOutcome failed;
  std::unique_ptr<Transport> transport =
      openStream(job, context.connect, context.secure, bounds, failed);
  if (!transport) return failed;
  return job.type == kImap ? runImap(transport, job, context, bounds)
                           : runPop3(transport, job, context, bounds);
}

}  // namespace vrxmail
