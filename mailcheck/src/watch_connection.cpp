#include "watch_connection.h"

#include <memory>
#include <optional>
#include <string>

#include "ansi_text.h"
#include "conversation_io.h"
#include "imap_session.h"
#include "line_reader.h"
#include "local_time.h"

namespace vrxmail {
namespace {

using Clock = std::chrono::steady_clock;

// While idling the watch looks at its stop this often rather than every few milliseconds: a
// wait that wakes forty times a second costs more than the rest of an idle program under
// Wine, and a stop still ends the watch well within its two seconds.
constexpr std::chrono::milliseconds kIdleLook{1000};

// The bounds of what the session awaits now: a check's during the login, the quiet time and
// the keep-alive while idling, the answer time for the answers to IDLE and DONE.
void retime(WaitTimes& wait, ImapState state, const WatchTimes& times) {
  const Clock::time_point now = Clock::now();
  if (state == ImapState::idling) {
    wait = {times.quiet, now + times.keepAlive, kIdleLook};
  } else if (state == ImapState::idleSent || state == ImapState::doneSent) {
    wait = {times.answer, now + times.answer};
  }
}

}  // namespace

WatchConnectionEnd watchConnection(const WatchRun& run, const WatchContext& context,
                                   bool announce) {
  const Clock::time_point start = Clock::now();
  WaitTimes wait{context.limits.silenceTimeout, start + context.limits.checkTimeout};
  IoBounds bounds;
  bounds.limits = context.limits;
  bounds.abort = run.abort;
  bounds.checkDeadline = wait.deadline;
  bounds.waitTimes = &wait;
  WatchConnectionEnd end;
  CheckOutcome failed;
  std::unique_ptr<Transport> transport =
      openStream(run.job, context.connect, context.secure, bounds, failed);
  if (!transport) {
    end.how = bounds.aborted() ? WatchEnd::stopped : WatchEnd::dropped;
    return end;
  }
  ImapSession session(utf8FromAnsi(run.job.user), utf8FromAnsi(run.job.password), 0, epochNow,
                      run.job.security == Security::startTls, ImapPurpose::watch);
  LineReader reader(*transport, context.limits.maxTotalBytes);
  std::string response;
  std::optional<Clock::time_point> idleFrom;
  ImapState shown = session.state();
  for (;;) {
    const ReadResult r = readImapResponse(reader, response, context.limits.maxResponseBytes);
    if (r.status == ReadStatus::timedOut && session.state() == ImapState::idling) {
      session.leaveIdle();  // quiet for long, or time for the keep-alive
    } else if (r.status != ReadStatus::ok) {
      break;
    } else {
      session.onResponse(response);
    }
    // Retimed before the send: the deadline just passed must not bound the DONE.
    if (session.state() != shown) {
      shown = session.state();
      retime(wait, shown, run.times);
      if (shown == ImapState::idling && !idleFrom) {
        idleFrom = Clock::now();
        if (announce) run.notify(kWatchReconnected);
      }
    }
    if (!flush(session, *transport, failed) ||
        !upgradeIfAsked(session, transport, reader, run.job.endpoint.host, context.secure,
                        bounds, failed)) {
      break;
    }
    if (!reader.hasBuffered() && session.takeNews()) run.notify(kWatchNewMail);
    if (session.finished() || session.state() == ImapState::logout) break;
  }
  end.how = bounds.aborted()             ? WatchEnd::stopped
            : session.idleUnavailable() ? WatchEnd::idleUnavailable
                                        : WatchEnd::dropped;
  if (idleFrom) end.idleFor = Clock::now() - *idleFrom;
  return end;
}

}  // namespace vrxmail
