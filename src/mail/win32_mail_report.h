#pragma once
// The mail library's report of a check, as the user sees it: the status strip, the
// mail LED, the balloon, the sound and the blinking tray icon.
#include <cstdint>
#include <mutex>

namespace qp {

// Held by the mail worker from the start of a check until its "please wait" text is
// in the status strip, and by a report before it writes there: a report that comes
// quickly is never overwritten by the text announcing its check. Never destroyed: a
// report may still come while the process ends.
std::mutex& MailStatusOrder();

// Called by the mail library, on a thread of its own, once for every check started.
void MailCheckCallback(int32_t newCount, int32_t resultCode);

}  // namespace qp
