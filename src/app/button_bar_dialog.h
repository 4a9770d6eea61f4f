#pragma once
// The program's one top-level window: the launch slots, their small buttons, the
// mail settings and delete-all buttons and the status strip.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/dialog.h"
#include "settings/settings_transfer.h"
#include "settings/win32_registry.h"

namespace qp {

class ButtonBarDialog : public Dialog, private SettingsHost {
public:
    ButtonBarDialog();

    // Loads or saves every setting; a Load also applies the slot lock.
    void TransferSettings(Direction direction);
    void HideToTray();

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(int id);
    BOOL OnInitDialog();
    void OnOk();
    void OnCancel();
    void OnExit();
    void OnDestroy();
    void ChooseStartLayout();

    void ApplyLock() override;
    std::string CurrentTimeStamp() override;

    Win32Registry registry_;
    // Set when the device or the mail library cannot be opened at start-up.
    int32_t StartupFailed = 0;
    // The status strip's text as the window's handlers see it.
    std::string statusText_ = " ";
};

}  // namespace qp
