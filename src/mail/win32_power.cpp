#include "mail/win32_power.h"

#include <windows.h>

#include "shared/process_state.h"
#include "win32/unique_handle.h"

namespace qp {

void EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    UniqueHandle owner(token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA("", "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
}

// Fails at once under some systems instead of waiting; that only makes the
// re-suspend come sooner.
void Win32PowerPort::WaitForInputIdle() { ::WaitForInputIdle(GetCurrentProcess(), INFINITE); }

bool Win32PowerPort::SetSystemPowerState(bool suspend) {
    return ::SetSystemPowerState(suspend ? TRUE : FALSE, FALSE) != FALSE;
}

void Win32PowerPort::StaysAwake() {
    if (HWND bar = GetParent(StatusStrip.load())) PostMessageA(bar, kMachineStaysAwakeMessage, 0, 0);
}

void Win32WakeTimer::Arm(int64_t dueTime) {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    SetWaitableTimer(SuspendWakeTimer.get(), &due, 0, nullptr, nullptr, TRUE);
}

bool Win32WakeTimer::Fired(uint32_t waitMs) {
    return WaitForSingleObject(SuspendWakeTimer.get(), waitMs) == WAIT_OBJECT_0;
}

}  // namespace qp
