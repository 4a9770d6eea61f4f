#include "mail/mail_status_order.h"

namespace qp {

void MailStatusOrder::CheckStarting() {
    std::lock_guard<std::mutex> hold(lock_);
    ++started_;
}

void MailStatusOrder::Announce(StatusStripPort& status, const std::string& text) {
    std::lock_guard<std::mutex> hold(lock_);
    if (reported_ < started_) status.Show(text);
}

void MailStatusOrder::Report(StatusStripPort& status, const std::string& text) {
    std::lock_guard<std::mutex> hold(lock_);
    // Checks run one at a time, so a report is that of the latest check started.
    reported_ = started_;
    status.Show(text);
}

MailStatusOrder& TheMailStatusOrder() {
    static MailStatusOrder* const order = new MailStatusOrder;
    return *order;
}

}  // namespace qp
