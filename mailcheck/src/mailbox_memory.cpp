#include "mailbox_memory.h"

#include <utility>

namespace vrxmail {

std::optional<int32_t> MailboxMemory::answer(const std::string& mailbox, const std::string& state,
                                             int64_t since) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = answers_.find(mailbox);
  if (it == answers_.end() || it->second.state != state || it->second.since != since) {
    return std::nullopt;
  }
  return it->second.count;
}

void MailboxMemory::remember(const std::string& mailbox, std::string state, int64_t since,
                             int32_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Beyond its bound the memory starts afresh rather than grow without end.
  if (answers_.size() >= maxMailboxes_ && answers_.find(mailbox) == answers_.end()) {
    answers_.clear();
  }
  answers_[mailbox] = Answer{std::move(state), since, count};
}

MailboxMemory& MailboxMemory::process() {
  // Never destroyed: a check thread may still use it while the process ends.
  static MailboxMemory* memory = new MailboxMemory();
  return *memory;
}

}  // namespace vrxmail
