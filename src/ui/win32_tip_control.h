#pragma once
// The one tool-tip control shared by every button of the bar.
#include <windows.h>

#include <string>
#include <vector>

#include "win32/unique_handle.h"

namespace qp {

class TipControl {
public:
    // Once, before any SetTool: initial delay 100 ms, hidden again after 2500 ms.
    void Create();
    // The button's one tip over its client area: registered the first time, its text
    // and area brought up to date after that.
    void SetTool(HWND button, const std::string& text);
    // Forgets the button's tip; for a button that goes away before the control does.
    void RemoveTool(HWND button);
    // Hides the tip shown, if any.
    void Hide();
    // Lets the control see the mouse messages of a button.
    void Relay(HWND button, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd() const { return window_.get(); }

private:
    UniqueWindow window_;
    std::vector<HWND> buttons_;  // the buttons that have a tip
};

}  // namespace qp
