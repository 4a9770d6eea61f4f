#include "app/button_bar_dialog.h"

#include <cstdio>

#include "app/message_box.h"
#include "app/process_state.h"
#include "app/wait_cursor.h"
#include "resource.h"

namespace qp {

namespace {

constexpr int kExitResult = 5;

// The clear and browse buttons of every slot and the delete-all button, in the
// order the slot lock hides them.
constexpr int kLockHiddenButtons[] = {
    IDC_CLEAR0, IDC_CLEAR1, IDC_CLEAR2, IDC_CLEAR3, IDC_CLEAR4_SPARE, IDC_CLEAR_ALL,
    IDC_BROWSE0, IDC_BROWSE1, IDC_BROWSE2, IDC_BROWSE3, IDC_BROWSE4_SPARE};
constexpr int kSlotButtons[] = {IDC_SLOT0, IDC_SLOT1, IDC_SLOT2, IDC_SLOT3};

}  // namespace

ButtonBarDialog::ButtonBarDialog() : Dialog(IDD_BUTTON_BAR) {}

bool ButtonBarDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_CLOSE:
        HideToTray();
        return true;
    case WM_DESTROY:
        OnDestroy();
        return false;  // default destroy processing follows
    default:
        return false;
    }
}

bool ButtonBarDialog::OnCommand(int id) {
    switch (id) {
    case IDOK:
        OnOk();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    case ID_TRAY_EXIT:
    case ID_FLOAT_EXIT:
        OnExit();
        return true;
    default:
        return false;
    }
}

// Each step reads what an earlier one set; the order is the program's start-up order.
BOOL ButtonBarDialog::OnInitDialog() {
    // The language table and window title, the media player search, the system
    // menu's About item and the window icons are set up here, before the settings.
    TransferSettings(Direction::Load);
    ResuspendPending = 0;
    {
        WaitCursor wait;
        StatusStrip = Item(IDC_STATUS_STRIP);
        StartupFailed = 0;
        SuspendWakeTimer.reset(CreateWaitableTimerA(nullptr, FALSE, nullptr));
        // The mail worker does not exist yet, so the auto-reset event stays signalled
        // and the worker's first pass comes right after start.
        SetEvent(MailPollEvent.get());
        // The tray icon and its menu are added here.
        GetClientRect(hwnd(), &ClientRectAtStart);
        // Then the button roles, the tray menu texts, the sound and mail-program
        // defaults, the device and mail library (whose failure ends the process with
        // status 1), the volume, the button images and tips, the slot icons and the
        // two workers.
        TransferSettings(Direction::Save);
    }
    ChooseStartLayout();
    return TRUE;
}

void ButtonBarDialog::ChooseStartLayout() {
    // Hidden, without the application-window bit: the window has no taskbar button.
    // The modal run's first display shows it all the same.
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

void ButtonBarDialog::HideToTray() {
    ShowWindow(hwnd(), SW_HIDE);
    TransferSettings(Direction::Save);
}

// The one shutdown path.
void ButtonBarDialog::OnDestroy() {
    StopWorkers = 1;
    SetEvent(MailPollEvent.get());
    TransferSettings(Direction::Save);
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

std::string ButtonBarDialog::CurrentTimeStamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute);
    return stamp;
}

}  // namespace qp
