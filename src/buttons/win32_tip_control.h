#pragma once
// The one tool-tip control shared by every button of the bar.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "buttons/win32_handles.h"

namespace qp {

class TipControl {
public:
    // Once, before any AddTool: initial delay 100 ms, hidden again after 2500 ms.
    void Create();
    // Registers a new tool for the button's client area with the next tool number.
    // Earlier registrations of the button stay, but only the newest shows.
    void AddTool(HWND button, const std::string& text);
    // Lets the control see the mouse messages of a button.
    void Relay(HWND button, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd() const { return window_.get(); }

private:
    UniqueWindow window_;
    int toolCount_ = 0;  // the id of the last tool registered
    std::vector<std::pair<HWND, UINT_PTR>> tools_;
};

}  // namespace qp
