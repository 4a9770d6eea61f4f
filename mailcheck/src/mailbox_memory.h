// The answer of the last full check of each mailbox, kept with the mailbox's state as the
// server described it at the start of that check, so that a re-check that finds the same
// state for the same since-time answers at the cost of a login.
//
// The state is a text the protocol makes of what its server tells about the mailbox as a
// whole (IMAP: UIDVALIDITY, UIDNEXT, the message count and HIGHESTMODSEQ; POP3: STAT and
// the newest message's unique id); the count of messages that arrived at or after a time
// depends on nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vrxmail {

class MailboxMemory {
 public:
  explicit MailboxMemory(std::size_t maxMailboxes = 1024) : maxMailboxes_(maxMailboxes) {}

  // The count remembered for the mailbox, when its state and the since-time are the ones
  // it was remembered with.
  std::optional<int32_t> answer(const std::string& mailbox, const std::string& state,
                                int64_t since) const;
  void remember(const std::string& mailbox, std::string state, int64_t since, int32_t count);

  static MailboxMemory& process();

 private:
  struct Answer {
    std::string state;
    int64_t since;
    int32_t count;
  };

  mutable std::mutex mutex_;
  std::unordered_map<std::string, Answer> answers_;
  std::size_t maxMailboxes_;
};

}  // namespace vrxmail
