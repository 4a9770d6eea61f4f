#pragma once
// The program's one top-level window: the launch slots, their small buttons, the
// mail settings and delete-all buttons and the status strip, in the default
// (style 1) or the floating (style 2) layout.
#include <windows.h>

#include <cstdint>
#include <string>

#include "buttons/win32_button_set.h"
#include "settings/settings_transfer.h"
#include "settings/win32_registry.h"
#include "ui/win32_dialog.h"
#include "win32/unique_handle.h"

namespace qp {

class ButtonBarDialog : public Dialog, private SettingsHost, private SlotWindow {
public:
    ButtonBarDialog();

    // Loads or saves every setting; a Load also applies the slot lock.
    void TransferSettings(Direction direction);
    // Saves and reloads the settings, lays the controls out for the style and shows
    // the window again: the default window centred on the screen, the floating bar
    // where the user last left it (at first in the screen's top-right corner), on top
    // of other windows. Any other style only saves and reloads.
    void ApplyWindowStyle(int32_t style);
    void HideToTray();

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(int id);
    BOOL OnInitDialog();
    void OnOk();
    void OnCancel();
    void OnExit();
    void OnDestroy();
    bool OnSysCommand(WPARAM command);
    bool OnPaint();
    void OnLButtonDown(POINT point);
    void OnMouseMove(POINT point);
    void OnLButtonUp();
    void ShowWindowPopup();
    void ShowAbout();
    void AddAboutToSystemMenu();
    void OpenDeviceAndMailLibrary();
    void ChooseStartLayout();

    // Mail polling's part of the window.
    void OnPowerBroadcast(WPARAM event);
    void OnMachineStaysAwake();
    void OnRestampAndCheck();
    void OnDefaultSound();
    void OnChooseSound();
    void OnMailSettings();
    void UseDefaultSound();
    void ChooseSound();
    void FillMailDefaults();

    void AddTrayIcon();
    void OnTrayCallback(WPARAM iconId, LPARAM mouseMessage);
    void ShowTrayPopup();
    void TrackPopupAtCursor(HMENU popup);
    void Acknowledge();
    void PrepareTrayMenu();
    void OnOpen();
    void OnSoundToggle();
    void OnMessageToggle();
    void ToggleTraySetting(int32_t Settings::*field, const char* name, int32_t next,
                           const char* textWhenOff, const char* textWhenOn);
    void OnStyleSwitch();
    void OnFloatingOption(int32_t option);

    void LayOutDefault();
    void LayOutFloating();
    void ShowLaidOut(int32_t style);
    void RememberFloatingPlace();

    void ApplyLock() override;
    std::string CurrentTimeStamp() override;

    void SetStatusText(const std::string& text) override;
    void PushStatusText() override;
    void SaveAllSettings() override;

    Win32Registry registry_;
    HICON AppIcon;
    // Set when the device or the mail library cannot be opened at start-up.
    int32_t StartupFailed = 0;
    // The status strip's text as the window's handlers see it.
    std::string statusText_ = " ";
    ButtonSet buttons_{TheSettings(), *this};

    // Bit 0: a drag is in progress; the client point where the left button went down.
    uint32_t DragState = 0;
    POINT dragPoint_{};
    UniqueMenu windowPopup_;
    UniqueMenu trayMenu_;
    HMENU TrayPopup = nullptr;

    SIZE templateWindowSize_{};
    int32_t appliedStyle_ = 0;  // 0 until the first layout: the template layout
    bool floatPlaceKnown_ = false;
    POINT floatPlace_{};
};

}  // namespace qp
