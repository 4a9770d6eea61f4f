#include "buttons/win32_tip_control.h"

#include <commctrl.h>

namespace qp {

namespace {

constexpr int kInitialDelayMs = 100;
constexpr int kAutoPopDelayMs = 2500;

TOOLINFOA ToolInfo(HWND button, UINT_PTR number) {
    TOOLINFOA info{};
    // The record as every version of the control since 4.70 knows it.
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = button;
    info.uId = number;
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

void TipControl::AddTool(HWND button, const std::string& text) {
    ++toolCount_;
    TOOLINFOA info = ToolInfo(button, toolCount_);
    GetClientRect(button, &info.rect);
    info.lpszText = const_cast<char*>(text.c_str());
    if (!SendMessageA(hwnd(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info))) {
        --toolCount_;
        return;
    }
    // The control would show the first registration that covers the mouse, which is
    // the oldest; giving the older ones an empty area lets the newest text show.
    for (const auto& [window, number] : tools_) {
        if (window != button) continue;
        TOOLINFOA older = ToolInfo(window, number);
        SendMessageA(hwnd(), TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&older));
    }
    tools_.emplace_back(button, toolCount_);
}

void TipControl::Relay(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd()) return;
    MSG msg{button, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    DWORD pos = GetMessagePos();
    msg.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    SendMessageA(hwnd(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

}  // namespace qp
