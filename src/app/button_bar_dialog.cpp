#include "app/button_bar_dialog.h"

#include <cstdio>
#include <cstdlib>

#include "app/about_dialog.h"
#include "device/device_codes.h"
#include "device/win32_device_channel.h"
#include "device/win32_device_port.h"
#include "device/win32_hotkey_worker.h"
#include "device/win32_media_player.h"
#include "device/win32_volume.h"
#include "i18n/language_table.h"
#include "i18n/win32_system_language.h"
#include "mail/win32_mail_library.h"
#include "mail/win32_mail_poll_worker.h"
#include "mail/win32_mail_watch.h"
#include "mail/win32_power.h"
#include "resource.h"
#include "shared/process_state.h"
#include "shared/tray_icon.h"
#include "win32/menu_text.h"
#include "win32/message_box.h"
#include "win32/wait_cursor.h"

namespace qp {

namespace {

constexpr int kExitResult = 5;

// The clear and browse buttons of every slot and the delete-all button, in the
// order the slot lock hides them.
constexpr int kLockHiddenButtons[] = {
    IDC_CLEAR0, IDC_CLEAR1, IDC_CLEAR2, IDC_CLEAR3, IDC_CLEAR4_SPARE, IDC_CLEAR_ALL,
    IDC_BROWSE0, IDC_BROWSE1, IDC_BROWSE2, IDC_BROWSE3, IDC_BROWSE4_SPARE};
constexpr int kSlotButtons[] = {IDC_SLOT0, IDC_SLOT1, IDC_SLOT2, IDC_SLOT3};

constexpr uint32_t kDragging = 1;

POINT ClientPoint(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

ButtonBarDialog::ButtonBarDialog()
    : Dialog(IDD_BUTTON_BAR), AppIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP))) {}

bool ButtonBarDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_COMMAND:
        return buttons_.OnCommand(wParam, lParam) || OnCommand(LOWORD(wParam));
    case WM_DRAWITEM:
        result = TRUE;
        return buttons_.OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(AppIcon);
        return true;
    case WM_CLOSE:
        HideToTray();
        return true;
    case WM_DESTROY:
        OnDestroy();
        return false;  // default destroy processing follows
    case WM_TIMER:
        OnVolumeTimer();
        return false;
    case kArmVolumeTimerMessage:
        OnArmVolumeTimer();
        return true;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wParam);
        return false;  // the default processing answers
    case kMachineStaysAwakeMessage:
        OnMachineStaysAwake();
        return true;
    case WM_QUERYENDSESSION:
        SendDeviceCommand(kEndNotice);
        return false;  // log-off or shutdown may go on
    case WM_LBUTTONDOWN:
        OnLButtonDown(ClientPoint(lParam));
        return false;
    case WM_MOUSEMOVE:
        OnMouseMove(ClientPoint(lParam));
        return false;
    case WM_LBUTTONUP:
        OnLButtonUp();
        return false;
    case WM_LBUTTONDBLCLK:
        HideToTray();
        return false;
    case WM_RBUTTONDOWN:
        ShowWindowPopup();
        return false;
    case TrayIcon::kCallbackMessage:
        OnTrayCallback(wParam, lParam);
        return true;
    default:
        return false;
    }
}

bool ButtonBarDialog::OnCommand(int id) {
    switch (id) {
    case IDOK: OnOk(); return true;
    case IDCANCEL: OnCancel(); return true;
    case ID_TRAY_EXIT:
    case ID_FLOAT_EXIT: OnExit(); return true;
    case ID_OPEN: OnOpen(); return true;
    case ID_SOUND_TOGGLE: OnSoundToggle(); return true;
    case ID_MESSAGE_TOGGLE: OnMessageToggle(); return true;
    case ID_NOTHING: return true;
    case ID_RESTAMP_AND_CHECK: OnRestampAndCheck(); return true;
    case ID_DEFAULT_SOUND: OnDefaultSound(); return true;
    case ID_CHOOSE_SOUND: OnChooseSound(); return true;
    case IDC_MAIL_SETTINGS:
    case ID_MAIL_SETTINGS: OnMailSettings(); return true;
    case ID_STYLE_SWITCH: OnStyleSwitch(); return true;
    case ID_FLOAT_MINIMIZE: HideToTray(); return true;
    case ID_FLOAT_ABOUT: ShowAbout(); return true;
    case ID_FLOAT_ON: OnFloatingOption(1); return true;
    case ID_FLOAT_OFF: OnFloatingOption(0); return true;
    case IDC_CLEAR4_SPARE:
    case IDC_BROWSE4_SPARE: return true;  // the spare fifth slot's buttons do nothing
    default: return false;
    }
}

// Each step reads what an earlier one set; the order is the program's start-up order.
BOOL ButtonBarDialog::OnInitDialog() {
    RECT window;
    GetWindowRect(hwnd(), &window);
    templateWindowSize_ = {window.right - window.left, window.bottom - window.top};
    buttons_.Attach(hwnd());
    SetDlgItemTextA(hwnd(), IDC_STATUS_STRIP, statusText_.c_str());

    LoadLanguageTable(hwnd());
    SetWindowTextA(hwnd(), Language().Text(1).c_str());
    FindMediaPlayer(hwnd());
    AddAboutToSystemMenu();
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon));
    TransferSettings(Direction::Load);
    ResuspendPending = 0;
    EnableShutdownPrivilege();
    {
        WaitCursor wait;
        StatusStrip = Item(IDC_STATUS_STRIP);
        StartupFailed = 0;
        SuspendWakeTimer.reset(CreateWaitableTimerA(nullptr, FALSE, nullptr));
        // The mail worker does not exist yet, so the auto-reset event stays signalled
        // and the worker's first pass comes right after start.
        SetEvent(MailPollEvent.get());
        AddTrayIcon();
        GetClientRect(hwnd(), &ClientRectAtStart);
        buttons_.SetRoles(TheSettings().Values().Style);
        PrepareTrayMenu();
        FillMailDefaults();
        OpenDeviceAndMailLibrary();
        InitVolume(hwnd());
        SendDeviceCommand(kStartNotice);
        buttons_.SetButtonImages();
        buttons_.CreateTips();
        buttons_.AttachTips();
        buttons_.RefreshSlots(TheSettings().Values().Style);
        StartHotkeyWorker();
        StartMailPollWorker(TheDevicePort());
        TheMailWatch().Follow(TheSettings().Values());
        TransferSettings(Direction::Save);
    }
    ChooseStartLayout();
    return TRUE;
}

// Both are needed; the user hears of every failure, the library's first, and then the
// process ends without showing the window, starting a worker or saving a setting.
void ButtonBarDialog::OpenDeviceAndMailLibrary() {
    OpenDevice();
    if (!LoadMailLibrary(hwnd())) StartupFailed = 1;
    if (!CheckDeviceOpen(hwnd())) StartupFailed = 1;
    if (StartupFailed == 1) std::exit(1);
}

void ButtonBarDialog::AddAboutToSystemMenu() {
    HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
    if (!systemMenu) return;
    char marker[64] = "";
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT_MARKER, marker, sizeof marker) <= 0) return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_SYS_ABOUT, Language().Text(16).c_str());
}

void ButtonBarDialog::ChooseStartLayout() {
    const Settings& settings = TheSettings().Values();
    if (settings.FloatStyleOption == 1 && settings.Style == 2) {
        ApplyWindowStyle(2);
        SetWindowLongA(hwnd(), GWL_EXSTYLE, GetWindowLongA(hwnd(), GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
        return;
    }
    // Hidden, without the application-window bit: the window has no taskbar button.
    // The modal run's first display shows it all the same, in the template layout.
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE);
    LONG exStyle = GetWindowLongA(hwnd(), GWL_EXSTYLE);
    SetWindowLongA(hwnd(), GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
}

void ButtonBarDialog::OnOk() {
    char text[512] = "";
    GetDlgItemTextA(hwnd(), IDC_STATUS_STRIP, text, sizeof text);
    statusText_ = text;
    EndModal(IDOK);
}

void ButtonBarDialog::OnCancel() { EndModal(IDCANCEL); }

void ButtonBarDialog::OnExit() {
    ShowWindow(hwnd(), SW_HIDE);
    EndModal(kExitResult);
}

// The one shutdown path.
void ButtonBarDialog::OnDestroy() {
    // The stop comes first: it ends the new-mail blinking, so that no change of the tray
    // icon follows its removal.
    StopWorkersAndWake();
    TheTrayIcon().Remove();
    // The hot-key worker ends before the mixer closes and the window object goes away.
    StopHotkeyWorker();
    TheMailWatch().Stop();
    AbortMailChecks();
    StopMailPollWorker();
    CloseMixer();
    TransferSettings(Direction::Save);
}

bool ButtonBarDialog::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) != IDM_SYS_ABOUT) return false;
    ShowAbout();
    return true;
}

void ButtonBarDialog::ShowAbout() {
    AboutDialog about;
    about.RunModal(hwnd());
}

// Minimised, the window shows its icon centred in the client area.
bool ButtonBarDialog::OnPaint() {
    if (!IsIconic(hwnd())) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd(), &paint);
    SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd(), &client);
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, AppIcon);
    EndPaint(hwnd(), &paint);
    return true;
}

// Dragging by the free area is how the captionless floating bar is moved.
void ButtonBarDialog::OnLButtonDown(POINT point) {
    if (DragState & kDragging) return;
    dragPoint_ = point;
    DragState |= kDragging;
    SetCapture(hwnd());
}

void ButtonBarDialog::OnMouseMove(POINT point) {
    if (!(DragState & kDragging)) return;
    RECT window;
    GetWindowRect(hwnd(), &window);
    SetWindowPos(hwnd(), nullptr, window.left + point.x - dragPoint_.x,
                 window.top + point.y - dragPoint_.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void ButtonBarDialog::OnLButtonUp() {
    if (!(DragState & kDragging)) return;
    DragState &= ~kDragging;
    ReleaseCapture();
}

// Only the floating bar has a right-click menu.
void ButtonBarDialog::ShowWindowPopup() {
    windowPopup_.reset();
    if (TheSettings().Values().Style != 2) return;
    windowPopup_.reset(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_WINDOW_POPUP)));
    HMENU popup = GetSubMenu(windowPopup_.get(), 0);
    if (!popup) return;
    RenameMenuItem(popup, "Minimize", Language().Text(15));
    RenameMenuItem(popup, "Delete all buttons setting", Language().Text(11));
    RenameMenuItem(popup, "About Quilpad ...", Language().Text(16));
    RenameMenuItem(popup, "Exit", Language().Text(14));
    TrackPopupAtCursor(popup);
}

// A tip that hides while a menu is open (it times out, or the pointer has left its button)
// ends the menu under Wine, before the user could choose: the tip goes first.
void ButtonBarDialog::TrackPopupAtCursor(HMENU popup) {
    buttons_.Tips().Hide();
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, hwnd(), nullptr);
}

void ButtonBarDialog::TransferSettings(Direction direction) {
    qp::TransferSettings(direction, TheSettings(), registry_, *this);
}

void ButtonBarDialog::ApplyLock() {
    ShowMessage(hwnd(),
                "The QPD was already locked! \n\nYou could not change the application "
                "assigned to this button.");
    for (int id : kLockHiddenButtons) ShowWindow(Item(id), SW_HIDE);
    for (int id : kSlotButtons) {
        HWND button = Item(id);
        LONG exStyle = GetWindowLongA(button, GWL_EXSTYLE);
        LONG locked = (exStyle & ~WS_EX_ACCEPTFILES) | WS_EX_CLIENTEDGE;
        if (locked != exStyle) SetWindowLongA(button, GWL_EXSTYLE, locked);
    }
}

void ButtonBarDialog::SetStatusText(const std::string& text) { statusText_ = text; }

void ButtonBarDialog::PushStatusText() {
    SetDlgItemTextA(hwnd(), IDC_STATUS_STRIP, statusText_.c_str());
}

void ButtonBarDialog::SaveAllSettings() { TransferSettings(Direction::Save); }

std::string ButtonBarDialog::CurrentTimeStamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute);
    return stamp;
}

}  // namespace qp
