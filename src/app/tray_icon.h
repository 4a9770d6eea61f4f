#pragma once
// The program's one notification-area icon. The user-interface thread and the mail
// report (on a thread of the mail library) both change its record, so every change
// and its Shell_NotifyIconA call happen under one lock.
#include <windows.h>
#include <shellapi.h>

#include <mutex>

namespace qp {

class TrayIcon {
public:
    static constexpr UINT kId = 1;
    static constexpr UINT kCallbackMessage = WM_USER + 1;

    // Icon id 1, flags message|icon|tip, callback 0x401, tip "Veranox".
    void Add(HWND owner, HICON icon);
    void Remove();
    // Applies change to the record and sends it with NIM_MODIFY, as one step; returns
    // the shell's answer.
    template <class Change>
    BOOL Modify(Change change) {
        std::lock_guard<std::mutex> hold(lock_);
        change(TrayIconData);
        return Shell_NotifyIconA(NIM_MODIFY, &TrayIconData);
    }

private:
    std::mutex lock_;
    NOTIFYICONDATAA TrayIconData{};
};

TrayIcon& TheTrayIcon();

// Empties the balloon, which removes one still shown.
void ClearBalloon(NOTIFYICONDATAA& data);
// Puts back the tip the icon has when nothing is to be told.
void ResetTip(NOTIFYICONDATAA& data);

}  // namespace qp
