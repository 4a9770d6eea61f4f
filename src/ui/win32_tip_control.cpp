#include "ui/win32_tip_control.h"

#include <commctrl.h>

#include <algorithm>

namespace qp {

namespace {

constexpr int kInitialDelayMs = 100;
constexpr int kAutoPopDelayMs = 2500;
// A button has one tip, so the button's window and this number name it.
constexpr UINT_PTR kToolId = 1;

TOOLINFOA ToolInfo(HWND button) {
    TOOLINFOA info{};
    // The record as every version of the control since 4.70 knows it.
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = button;
    info.uId = kToolId;
    return info;
}

}  // namespace

void TipControl::Create() {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    window_.reset(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
    SendMessageA(hwnd(), TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(kInitialDelayMs, 0));
    SendMessageA(hwnd(), TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(kAutoPopDelayMs, 0));
    SendMessageA(hwnd(), TTM_ACTIVATE, TRUE, 0);
}

void TipControl::SetTool(HWND button, const std::string& text) {
    TOOLINFOA info = ToolInfo(button);
    GetClientRect(button, &info.rect);
    info.lpszText = const_cast<char*>(text.c_str());
    const auto known = std::find(buttons_.begin(), buttons_.end(), button);
    if (known == buttons_.end()) {
        if (SendMessageA(hwnd(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)))
            buttons_.push_back(button);
        return;
    }
    // A button keeps its registration: the refresh changes only what it says and covers.
    SendMessageA(hwnd(), TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageA(hwnd(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void TipControl::RemoveTool(HWND button) {
    const auto known = std::find(buttons_.begin(), buttons_.end(), button);
    if (known == buttons_.end()) return;
    TOOLINFOA info = ToolInfo(button);
    SendMessageA(hwnd(), TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    buttons_.erase(known);
}

void TipControl::Hide() {
    if (hwnd()) SendMessageA(hwnd(), TTM_POP, 0, 0);
}

void TipControl::Relay(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd()) return;
    MSG msg{button, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    DWORD pos = GetMessagePos();
    msg.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    SendMessageA(hwnd(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

}  // namespace qp
