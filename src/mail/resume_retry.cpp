#include "mail/resume_retry.h"

namespace qp {

void ResumeRetry::Open(uint64_t nowMs) {
    open_ = true;
    closesAtMs_ = nowMs + kWindowMs;
    delayMs_ = kFirstDelayMs;
    dueAtMs_ = nowMs;
    reportSeen_ = true;
}

void ResumeRetry::CheckStarted(uint32_t reports) {
    awaitedReports_ = reports + 1;
    reportSeen_ = false;
}

bool ResumeRetry::Due(uint64_t nowMs, uint32_t reports, int32_t lastResult) {
    if (!open_) return false;
    if (!reportSeen_) {
        // Unsigned difference: the count may wrap.
        if (static_cast<int32_t>(reports - awaitedReports_) < 0) return false;
        reportSeen_ = true;
        if (!Unreachable(lastResult)) {
            open_ = false;
            return false;
        }
        dueAtMs_ = nowMs + delayMs_;
        delayMs_ = delayMs_ * 2 < kLongestDelayMs ? delayMs_ * 2 : kLongestDelayMs;
    }
    if (nowMs >= closesAtMs_) {
        open_ = false;
        return false;
    }
    return nowMs >= dueAtMs_;
}

}  // namespace qp
