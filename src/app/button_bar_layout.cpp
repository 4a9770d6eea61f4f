// The two layouts of the button bar and how the window comes back after being hidden.
#include "app/button_bar_dialog.h"
#include "resource.h"
#include "shared/process_state.h"
#include "shared/tray_icon.h"

namespace qp {

namespace {

struct Placement {
    int id, x, y, width, height;
};

// Style 1 in client pixels; the status strip's width follows from the window's
// client width at start.
constexpr Placement kDefaultPlacements[] = {
    {IDC_SLOT0, 5, 5, 60, 55},     {IDC_SLOT1, 75, 5, 60, 55},    {IDC_SLOT2, 145, 5, 60, 55},
    {IDC_SLOT3, 215, 5, 60, 55},   {IDC_CLEAR_ALL, 285, 5, 25, 25}, {IDC_CLEAR0, 5, 70, 25, 25},
    {IDC_BROWSE0, 40, 70, 25, 25}, {IDC_CLEAR1, 75, 70, 25, 25},  {IDC_BROWSE1, 110, 70, 25, 25},
    {IDC_CLEAR2, 145, 70, 25, 25}, {IDC_BROWSE2, 180, 70, 25, 25}, {IDC_CLEAR3, 215, 70, 25, 25},
    {IDC_BROWSE3, 250, 70, 25, 25}};
constexpr int kStripX = 5, kStripY = 105, kStripHeight = 25, kStripRightMargin = 85;

constexpr int kShownInDefault[] = {IDC_BROWSE0, IDC_BROWSE1, IDC_BROWSE2, IDC_BROWSE3,
                                   IDC_CLEAR0,  IDC_CLEAR1,  IDC_CLEAR2,  IDC_CLEAR3,
                                   IDC_CLEAR_ALL, IDC_MAIL_SETTINGS, IDC_STATUS_STRIP};
constexpr int kHiddenInFloating[] = {IDC_BROWSE0, IDC_BROWSE1,      IDC_BROWSE2,   IDC_BROWSE3,
                                     IDC_CLEAR0,  IDC_CLEAR1,       IDC_CLEAR2,    IDC_CLEAR3,
                                     IDC_CLEAR4_SPARE, IDC_CLEAR_ALL, IDC_MAIL_SETTINGS,
                                     IDC_STATUS_STRIP};
constexpr int kSlotButtons[] = {IDC_SLOT0, IDC_SLOT1, IDC_SLOT2, IDC_SLOT3};

// The floating bar: four 23-pixel squares in a row, in a captionless window that fits them.
constexpr int kFloatButtonSize = 23, kFloatFirstX = 5, kFloatStepX = 25, kFloatY = 2;
constexpr int kFloatWidth = 115, kFloatHeight = 33, kFloatRightMargin = 80, kFloatTop = 5;

constexpr LONG kCaptionAndSystemMenu = WS_CAPTION | WS_SYSMENU;

}  // namespace

void ButtonBarDialog::ApplyWindowStyle(int32_t style) {
    TransferSettings(Direction::Save);
    TransferSettings(Direction::Load);
    if (style == 1)
        LayOutDefault();
    else if (style == 2)
        LayOutFloating();
    else
        return;
    ShowLaidOut(style);
}

void ButtonBarDialog::LayOutDefault() {
    buttons_.SetSlotStyle(1);
    buttons_.RefreshSlots(1);
    for (int id : kShownInDefault) ShowWindow(Item(id), SW_SHOW);
    for (const Placement& p : kDefaultPlacements)
        SetWindowPos(Item(p.id), nullptr, p.x, p.y, p.width, p.height, SWP_SHOWWINDOW);
    SetWindowPos(Item(IDC_STATUS_STRIP), nullptr, kStripX, kStripY,
                 ClientRectAtStart.right - kStripRightMargin, kStripHeight, SWP_SHOWWINDOW);
    SetWindowLongA(hwnd(), GWL_STYLE, GetWindowLongA(hwnd(), GWL_STYLE) | kCaptionAndSystemMenu);
    statusText_.clear();
}

void ButtonBarDialog::LayOutFloating() {
    buttons_.SetSlotStyle(2);
    buttons_.RefreshSlots(2);
    for (int id : kHiddenInFloating) ShowWindow(Item(id), SW_HIDE);
    int x = kFloatFirstX;
    for (int id : kSlotButtons) {
        SetWindowPos(Item(id), nullptr, x, kFloatY, kFloatButtonSize, kFloatButtonSize,
                     SWP_SHOWWINDOW);
        x += kFloatStepX;
    }
    SetWindowLongA(hwnd(), GWL_STYLE,
                   GetWindowLongA(hwnd(), GWL_STYLE) & ~kCaptionAndSystemMenu);
}

void ButtonBarDialog::ShowLaidOut(int32_t style) {
    int x, y, width, height;
    if (style == 1) {
        width = templateWindowSize_.cx;
        height = templateWindowSize_.cy;
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    } else {
        RememberFloatingPlace();
        width = kFloatWidth;
        height = kFloatHeight;
        x = floatPlaceKnown_ ? floatPlace_.x : GetSystemMetrics(SM_CXSCREEN) - kFloatRightMargin - kFloatWidth;
        y = floatPlaceKnown_ ? floatPlace_.y : kFloatTop;
    }
    appliedStyle_ = style;
    // Placed while still hidden, so that it never shows at its old place or size.
    SetWindowPos(hwnd(), HWND_TOP, x, y, width, height, SWP_FRAMECHANGED);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
}

// The floating bar comes back where the user left it.
void ButtonBarDialog::RememberFloatingPlace() {
    if (appliedStyle_ != 2 || !IsWindowVisible(hwnd())) return;
    RECT place;
    GetWindowRect(hwnd(), &place);
    floatPlace_ = {place.left, place.top};
    floatPlaceKnown_ = true;
}

void ButtonBarDialog::HideToTray() {
    RememberFloatingPlace();
    ShowWindow(hwnd(), SW_HIDE);
    TheTrayIcon().Modify(ClearBalloon);
    TransferSettings(Direction::Save);
}

}  // namespace qp
