#include "app/process_state.h"

namespace qp {

UniqueHandle MailPollEvent;
UniqueHandle SuspendWakeTimer;
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
