#include "app/tray_icon.h"

#include <cstring>

namespace qp {

namespace {
// The record up to and including the balloon fields, as the oldest supported shell
// knows it.
constexpr DWORD kRecordSize = 488;
constexpr char kTip[] = "Veranox";
}  // namespace

TrayIcon& TheTrayIcon() {
    // Never destroyed: the mail report may still use it while the process ends.
    static TrayIcon* icon = new TrayIcon;
    return *icon;
}

void TrayIcon::Add(HWND owner, HICON icon) {
    std::lock_guard<std::mutex> hold(lock_);
    TrayIconData.cbSize = kRecordSize;
    TrayIconData.hWnd = owner;
    TrayIconData.uID = kId;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = kCallbackMessage;
    TrayIconData.hIcon = icon;
    ResetTip(TrayIconData);
    Shell_NotifyIconA(NIM_ADD, &TrayIconData);
}

void TrayIcon::Remove() {
    std::lock_guard<std::mutex> hold(lock_);
    Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
}

void ClearBalloon(NOTIFYICONDATAA& data) {
    data.szInfo[0] = '\0';
    data.szInfoTitle[0] = '\0';
}

void ResetTip(NOTIFYICONDATAA& data) {
    std::memcpy(data.szTip, kTip, sizeof kTip);
}

}  // namespace qp
