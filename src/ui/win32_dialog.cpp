#include "ui/win32_dialog.h"

namespace qp {

namespace {

constexpr UINT kSystemTimer = 0x118;

// Messages whose dialog-procedure answer is the return value itself rather than
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return true;
    default:
        return false;
    }
}

}  // namespace

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<Dialog*>(lParam)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;

    LRESULT result = 0;
    if (!self->OnMessage(message, wParam, lParam, result)) return FALSE;
    if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR Dialog::RunModal(HWND owner) {
    ended_ = false;
    result_ = -1;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);

    CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId_), owner, &Dialog::DialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (hwnd_) {
        firstDisplayPending_ = !IsWindowVisible(hwnd_);
        MSG msg;
        while (!ended_) {
            if (firstDisplayPending_ && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
                ShowForFirstDisplay();
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) {  // WM_QUIT: hand it on to whoever runs the outer loop
                if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (firstDisplayPending_ &&
                (msg.message == WM_SYSKEYDOWN || msg.message == kSystemTimer))
                ShowForFirstDisplay();
            if (!IsDialogMessageA(hwnd_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }

    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    return result_;
}

void Dialog::EndModal(INT_PTR result) {
    result_ = result;
    ended_ = true;
    // Wakes the loop if it is waiting, so that it sees the end at once.
    if (hwnd_) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

bool Dialog::Exchange(DataExchange::Way way) {
    DataExchange exchange(hwnd_, way);
    ExchangeData(exchange);
    return exchange.Complete();
}

void Dialog::ShowForFirstDisplay() {
    firstDisplayPending_ = false;
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
}

}  // namespace qp
