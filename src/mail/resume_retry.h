#pragma once
// After a resume that keeps the machine awake the network often needs a few seconds to
// come back. A check that cannot reach the server then is tried again, after 1 s, 2 s,
// 4 s and so on up to 16 s apart, until one gets through, one fails for another reason
// (the server answered), or the window of two and a half minutes has passed. Owned by
// the mail worker alone.
#include <cstdint>

namespace qp {

class ResumeRetry {
public:
    static constexpr uint64_t kWindowMs = 150000;
    static constexpr uint64_t kFirstDelayMs = 1000;
    static constexpr uint64_t kLongestDelayMs = 16000;
    // How often the worker looks while the window is open.
    static constexpr uint32_t kLookMs = 250;

    // Whether a report's result says that the server could not be reached: a Windows
    // Sockets error number rather than an answer of the server's.
    static bool Unreachable(int32_t resultCode) {
        return resultCode >= 10000 && resultCode < 12000;
    }

    void Open(uint64_t nowMs);
    bool IsOpen() const { return open_; }
    // A check has started; reports is the number of reports before it.
    void CheckStarted(uint32_t reports);
    // Whether a check is to start now: the last one was reported unreachable and its
    // pause has passed. Closes the window once a check has been answered by the server
    // or the window has passed.
    bool Due(uint64_t nowMs, uint32_t reports, int32_t lastResult);
    // The longest wait of the worker's next pass.
    uint32_t WaitMs(uint32_t periodMs) const {
        return open_ && kLookMs < periodMs ? kLookMs : periodMs;
    }

private:
    bool open_ = false;
    uint64_t closesAtMs_ = 0;
    uint64_t delayMs_ = kFirstDelayMs;
    uint64_t dueAtMs_ = 0;
    // The report count at which the check last started has been reported.
    uint32_t awaitedReports_ = 0;
    bool reportSeen_ = true;
};

}  // namespace qp
