// The tray icon's reactions, the tray menu and the commands that menus reach.
#include "app/button_bar_dialog.h"
#include "i18n/language_table.h"
#include "resource.h"
#include "shared/process_state.h"
#include "shared/tray_icon.h"
#include "win32/menu_text.h"

namespace qp {

namespace {
constexpr DWORD kStyleSwitchPauseMs = 500;
}  // namespace

void ButtonBarDialog::AddTrayIcon() {
    TheTrayIcon().Add(hwnd(), AppIcon);
    trayMenu_.reset(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_TRAY)));
    TrayPopup = GetSubMenu(trayMenu_.get(), 0);
}

void ButtonBarDialog::OnTrayCallback(WPARAM iconId, LPARAM mouseMessage) {
    if (iconId != TrayIcon::kId) return;
    switch (static_cast<UINT>(mouseMessage)) {
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
        ShowTrayPopup();
        break;
    case WM_LBUTTONDBLCLK:
        ApplyWindowStyle(TheSettings().Values().Style);
        Acknowledge();
        TheTrayIcon().Modify([](NOTIFYICONDATAA& data) {
            ClearBalloon(data);
            ResetTip(data);
        });
        break;
    default:
        break;
    }
}

// In the foreground first, so that the menu closes when the user clicks elsewhere.
void ButtonBarDialog::ShowTrayPopup() {
    SetForegroundWindow(hwnd());
    TrackPopupAtCursor(TrayPopup);
}

// The user has seen the new-mail notification: the icon is itself again and the
// blinking stops.
void ButtonBarDialog::Acknowledge() {
    if (BlinkShown != 1) return;
    HICON icon = AppIcon;
    TheTrayIcon().Modify([icon](NOTIFYICONDATAA& data) { data.hIcon = icon; });
    BlinkStop = 1;
}

// The item texts name what an item does next, so they follow the settings.
void ButtonBarDialog::PrepareTrayMenu() {
    const Settings& settings = TheSettings().Values();
    if (settings.Sound != 0) RenameMenuItem(TrayPopup, "Play &Sound", "&Disable Sound");
    if (OsVersion.dwMinorVersion == 10) {
        int position;
        while ((position = FindMenuItem(TrayPopup, {"Show &Message", "Unshow &Message"})) >= 0)
            DeleteMenu(TrayPopup, position, MF_BYPOSITION);
    } else if (settings.ShowMessage == 1) {
        RenameMenuItem(TrayPopup, "Show &Message", "Unshow &Message");
    } else {
        RenameMenuItem(TrayPopup, "Unshow &Message", "Show &Message");
    }
    RenameMenuItem(TrayPopup, "&Open", Language().Text(12));
    RenameMenuItem(TrayPopup, "Floating &Window", Language().Text(13));
    RenameMenuItem(TrayPopup, "&Exit", Language().Text(14));
    if (settings.Style == 1)
        RenameMenuItem(TrayPopup, {"Default &Window", Language().Text(18).c_str()}, Language().Text(13));
    else
        RenameMenuItem(TrayPopup, {"Floating &Window", Language().Text(13).c_str()}, Language().Text(18));
}

void ButtonBarDialog::OnOpen() {
    TransferSettings(Direction::Save);
    ApplyWindowStyle(TheSettings().Values().Style);
    Acknowledge();
}

void ButtonBarDialog::OnSoundToggle() {
    int32_t next = TheSettings().Values().Sound == 0 ? 1 : 0;
    ToggleTraySetting(&Settings::Sound, "Sound", next, "Play &Sound", "&Disable Sound");
}

void ButtonBarDialog::OnMessageToggle() {
    int32_t next = TheSettings().Values().ShowMessage == 1 ? 0 : 1;
    ToggleTraySetting(&Settings::ShowMessage, "ShowMessage", next, "Show &Message",
                      "Unshow &Message");
}

// The setting changes and is written to the tray's own key even when no item of the
// menu carries the text.
void ButtonBarDialog::ToggleTraySetting(int32_t Settings::*field, const char* name, int32_t next,
                                        const char* textWhenOff, const char* textWhenOn) {
    TheSettings().Modify([&](Settings& settings) { settings.*field = next; });
    if (next == 1)
        RenameMenuItem(TrayPopup, textWhenOff, textWhenOn);
    else
        RenameMenuItem(TrayPopup, textWhenOn, textWhenOff);
    SaveTrayMirror(registry_, name, next);
}

// The item offering the other style gets its new text where the menu carries one; the
// style switches in either case. A floating bar that goes away remembers its place.
void ButtonBarDialog::OnStyleSwitch() {
    RememberFloatingPlace();
    ShowWindow(hwnd(), SW_HIDE);
    const std::string& floating = Language().Text(13);
    const std::string& fixed = Language().Text(18);
    if (TheSettings().Values().Style == 1) {
        RenameMenuItem(TrayPopup, {"Floating &Window", floating.c_str()}, fixed);
        TheSettings().Modify([](Settings& settings) {
            settings.Style = 2;
            settings.FloatStyleOption = 1;
        });
    } else {
        RenameMenuItem(TrayPopup, {"Default &Window", fixed.c_str()}, floating);
        TheSettings().Modify([](Settings& settings) { settings.Style = 1; });
    }
    TransferSettings(Direction::Save);
    Sleep(kStyleSwitchPauseMs);
    TransferSettings(Direction::Load);
    ApplyWindowStyle(TheSettings().Values().Style);
}

void ButtonBarDialog::OnFloatingOption(int32_t option) {
    TheSettings().Modify([option](Settings& settings) { settings.FloatStyleOption = option; });
    TransferSettings(Direction::Save);
    if (TheSettings().Values().Style != 2) return;
    if (option == 1) {
        ApplyWindowStyle(2);
        return;
    }
    RememberFloatingPlace();
    ShowWindow(hwnd(), SW_HIDE);
}

}  // namespace qp
