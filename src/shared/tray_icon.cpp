#include "shared/tray_icon.h"

#include <chrono>
#include <cstddef>
#include <cstring>

namespace qp {

namespace {
// The record up to and including the balloon fields, as the oldest supported shell
// knows it: 488 bytes on 32-bit Windows; the 64-bit build's handles make it longer, and a
// shell given the 32-bit size there shows no balloon.
constexpr DWORD kRecordSize = offsetof(NOTIFYICONDATAA, guidItem);
#ifndef _WIN64
static_assert(kRecordSize == 488, "the 32-bit record is 488 bytes");
#endif
constexpr char kTip[] = "Veranox";
constexpr std::chrono::milliseconds kRemoveWait{2000};
}  // namespace

TrayIcon& TheTrayIcon() {
    // Never destroyed: the mail report may still use it while the process ends.
    static TrayIcon* icon = new TrayIcon;
    return *icon;
}

void TrayIcon::Add(HWND owner, HICON icon) {
    updates_.Update(NIM_ADD, [owner, icon](NOTIFYICONDATAA& data) {
        data.cbSize = kRecordSize;
        data.hWnd = owner;
        data.uID = kId;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = kCallbackMessage;
        data.hIcon = icon;
        ResetTip(data);
    }, &TrayIcon::Send);
}

void TrayIcon::Remove() {
    updates_.Update(NIM_DELETE, [](NOTIFYICONDATAA&) {}, &TrayIcon::Send);
    // The process ends soon after: the icon must be gone from the shell by then, even
    // when the mail report's thread is the one sending.
    updates_.WaitUntilSent(kRemoveWait);
}

void ClearBalloon(NOTIFYICONDATAA& data) {
    data.szInfo[0] = '\0';
    data.szInfoTitle[0] = '\0';
}

void ResetTip(NOTIFYICONDATAA& data) {
    std::memcpy(data.szTip, kTip, sizeof kTip);
}

}  // namespace qp
