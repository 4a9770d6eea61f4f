#include "shared/process_state.h"

namespace qp {

// Never destroyed: a worker or a mail report may still use them while the process ends.
UniqueHandle& MailPollEvent = *new UniqueHandle;
UniqueHandle& SuspendWakeTimer = *new UniqueHandle;
std::atomic<int32_t> StopWorkers{0};
std::atomic<int32_t> ResuspendPending{0};
std::atomic<int32_t> BlinkShown{0};
std::atomic<int32_t> BlinkStop{0};
std::atomic<int32_t> PollNow{0};
std::atomic<int32_t> PollBusy{0};
std::atomic<HWND> StatusStrip{nullptr};
RECT ClientRectAtStart{};
OSVERSIONINFOA OsVersion{};

}  // namespace qp
