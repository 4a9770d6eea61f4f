#pragma once
// The program's one notification-area icon. The user-interface thread and the mail
// report (on a thread of the mail library) both change its record; the changes reach
// the shell in the order they were made, and a slow shell never holds up the thread
// that did not call it.
#include <windows.h>
#include <shellapi.h>

#include "shared/serial_updates.h"

namespace qp {

class TrayIcon {
public:
    static constexpr UINT kId = 1;
    static constexpr UINT kCallbackMessage = WM_USER + 1;

    // Icon id 1, flags message|icon|tip, callback 0x401, tip "Veranox".
    void Add(HWND owner, HICON icon);
    // Returns once the shell has been told (at most two seconds when another thread is
    // sending).
    void Remove();
    // Applies change to the record and sends it with NIM_MODIFY; returns the shell's
    // answer (the latest one known when another thread was sending).
    template <class Change>
    BOOL Modify(Change change) {
        return updates_.Update(NIM_MODIFY, change, &TrayIcon::Send);
    }

private:
    static BOOL Send(DWORD message, NOTIFYICONDATAA& data) { return Shell_NotifyIconA(message, &data); }

    SerialUpdates<NOTIFYICONDATAA, DWORD, BOOL> updates_;
};

TrayIcon& TheTrayIcon();

// Empties the balloon, which removes one still shown.
void ClearBalloon(NOTIFYICONDATAA& data);
// Puts back the tip the icon has when nothing is to be told.
void ResetTip(NOTIFYICONDATAA& data);

}  // namespace qp
