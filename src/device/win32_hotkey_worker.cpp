#include "device/win32_hotkey_worker.h"

#include <objbase.h>

#include <atomic>

#include "device/button_dispatch.h"
#include "device/hotkey_actions.h"
#include "device/win32_device_port.h"
#include "device/win32_shell_launcher.h"
#include "device/win32_volume.h"
#include "settings/settings.h"
#include "shared/process_state.h"
#include "win32/thread_wait.h"
#include "win32/unique_handle.h"

namespace qp {
namespace {

constexpr DWORD kPollPeriodMs = 250;

// The shell may need COM on the thread that launches.
class ComApartment {
public:
    ComApartment()
        : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

class HotkeyWorker {
public:
    bool Start() {
        if (thread_) return true;
        stopRequested_ = false;
        wake_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!wake_) return false;
        thread_.reset(CreateThread(nullptr, 0, &HotkeyWorker::Main, this, 0, nullptr));
        return static_cast<bool>(thread_);
    }

    bool Stop(DWORD timeoutMs) {
        if (!thread_) return true;
        stopRequested_ = true;
        SetEvent(wake_.get());
        if (!WaitWhileAnsweringSentMessages(thread_.get(), timeoutMs)) return false;
        thread_.reset();
        return true;
    }

private:
    static DWORD WINAPI Main(void* self) { return static_cast<HotkeyWorker*>(self)->Run(); }

    DWORD Run() {
        ComApartment com;
        // Polls begin once the window has been built and waits for input; a stop is
        // still seen meanwhile. (Under Wine this wait fails at once; the first poll
        // still comes a period after start.)
        while (WaitForInputIdle(GetCurrentProcess(), kPollPeriodMs) == WAIT_TIMEOUT)
            if (StopRequested()) return 0;
        Win32DevicePort device;
        ShellLauncher launcher;
        HotkeyActions actions(TheSettings(), launcher, TheVolume());
        for (;;) {
            WaitForSingleObject(wake_.get(), kPollPeriodMs);
            if (StopRequested()) return 0;
            PollHardwareButtons(device, actions);
        }
    }

    bool StopRequested() const { return StopWorkers != 0 || stopRequested_; }

    UniqueHandle thread_;
    UniqueHandle wake_;  // manual reset: set once to cut the last wait short
    std::atomic<bool> stopRequested_{false};
};

// Never destroyed: a worker that outlived the bounded wait at shutdown still owns it.
HotkeyWorker& TheWorker() {
    static HotkeyWorker* const worker = new HotkeyWorker;
    return *worker;
}

}  // namespace

bool StartHotkeyWorker() { return TheWorker().Start(); }

bool StopHotkeyWorker(DWORD timeoutMs) { return TheWorker().Stop(timeoutMs); }

}  // namespace qp
