#pragma once
// Keeps the text announcing a check from overwriting the report of that check, which
// the library may deliver on its own thread right after the check started. Its lock
// is held only around one status write at a time, never across a library call.
#include <cstdint>
#include <mutex>
#include <string>

#include "mail/mail_poll_ports.h"

namespace qp {

class MailStatusOrder {
public:
    // Before a check is started: its report may come from now on.
    void CheckStarting();
    // After the check has started: shows text unless the check's report is already
    // shown.
    void Announce(StatusStripPort& status, const std::string& text);
    // A report: its text replaces whatever is shown.
    void Report(StatusStripPort& status, const std::string& text);

private:
    std::mutex lock_;
    uint64_t started_ = 0;
    uint64_t reported_ = 0;
};

// The process's one order. Never destroyed: a report may still come while the process
// ends.
MailStatusOrder& TheMailStatusOrder();

}  // namespace qp
