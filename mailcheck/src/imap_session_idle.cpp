// The watch's part of the IMAP conversation (RFC 2177): IDLE after EXAMINE, DONE when the
// driver asks, IDLE again once the server has answered, and the counts that tell of new mail.
#include "imap_session.h"

#include "ascii_text.h"
#include "result_codes.h"

namespace vrxmail {

bool ImapSession::watching() const {
  return state_ == State::idleSent || state_ == State::idling || state_ == State::doneSent;
}

void ImapSession::sendIdle() {
  send("IDLE");
  state_ = State::idleSent;
}

void ImapSession::leaveIdle() {
  if (state_ != State::idling) return;
  output_ += "DONE\r\n";
  state_ = State::doneSent;
}

// Only the answer to DONE is expected. A server that ends IDLE by itself, or refuses it, is
// left: taking IDLE up again at once could go round without end.
void ImapSession::handleIdle(std::string_view status) {
  if (state_ == State::doneSent && equalsNoCase(status, "OK")) {
    sendIdle();
    return;
  }
  fail(kBadCommandResponse);
}

// EXISTS counts the messages (an EXPUNGE takes one away), RECENT those new to any session:
// either rising is mail that came. A server that tells of a message with both (EXISTS, then
// RECENT, maybe in two reads) tells of it once: RECENT rising counts only when EXISTS has
// not risen since the last RECENT.
void ImapSession::noteMailboxSize(uint64_t value, std::string_view what) {
  if (equalsNoCase(what, "EXISTS")) {
    if (value > exists_) {
      news_ = true;
      existsRose_ = true;
    }
    exists_ = value;
  } else if (equalsNoCase(what, "RECENT")) {
    if (value > recent_ && !existsRose_) news_ = true;
    existsRose_ = false;
    recent_ = value;
  } else if (exists_ > 0) {
    --exists_;
  }
}

}  // namespace vrxmail
