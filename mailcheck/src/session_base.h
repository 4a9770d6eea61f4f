// What the IMAP and POP3 conversations of a check have alike: the user name, password and
// since-time they were given, the commands queued for the transport, the outcome, the
// mailbox memory, and the state, whose enum is the protocol's own. Every State has
// greeting (the first), tlsUpgrade (STARTTLS or STLS answered OK) and done; kGoodbye is
// the one in which LOGOUT or QUIT has been sent with the count known.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "check_outcome.h"
#include "mailbox_memory.h"

namespace vrxmail {

template <typename State, State kGoodbye>
class SessionBase {
 public:
  std::string takeOutput() { return std::exchange(output_, std::string()); }
  bool finished() const { return state_ == State::done; }
  // STARTTLS or STLS was answered OK: the stream must be secured before anything else is
  // read or sent.
  bool wantsTls() const { return state_ == State::tlsUpgrade; }
  CheckOutcome outcome() const { return outcome_; }

  // The code a missing or broken answer in the current state stands for.
  virtual int32_t awaitedCommandCode() const = 0;

  // The connection ended or sent more than allowed while an answer was awaited.
  void onConnectionLost() {
    if (state_ == State::done) return;
    if (state_ == kGoodbye) {
      state_ = State::done;
      return;
    }
    fail(awaitedCommandCode());
  }

  // Answers an unchanged mailbox from memory and remembers the answer of a full check;
  // mailbox names the server, the user and the mailbox.
  void rememberIn(MailboxMemory& memory, std::string mailbox) {
    memory_ = &memory;
    mailbox_ = std::move(mailbox);
  }

 protected:
  // since is seconds since 1970 UTC.
  SessionBase(std::string user, std::string password, int64_t since, bool startTls)
      : user_(std::move(user)), password_(std::move(password)), since_(since),
        startTls_(startTls) {}
  ~SessionBase() = default;

  void fail(int32_t code) {
    outcome_ = {code, 0};
    state_ = State::done;
  }

  // A CR, LF or NUL would end the command line early, or be refused by the server.
  static bool sendable(const std::string& text) {
    for (const char c : text) {
      if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
  }

  const std::string user_;
  const std::string password_;
  const int64_t since_;
  const bool startTls_;  // STARTTLS or STLS is required before the login
  State state_ = State::greeting;
  std::string output_;
  CheckOutcome outcome_;
  MailboxMemory* memory_ = nullptr;
  std::string mailbox_;
};

}  // namespace vrxmail
