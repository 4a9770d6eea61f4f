#pragma once
// A push button of a dialog that shows an icon it holds and a tip: on its own the mail
// dialog's program button, and the base of the bar's launch buttons.
#include <windows.h>

#include <string>

#include "win32/unique_handle.h"

namespace qp {

class TipControl;

class IconButton {
public:
    IconButton() = default;
    virtual ~IconButton();
    IconButton(const IconButton&) = delete;
    IconButton& operator=(const IconButton&) = delete;

    // Takes over the dialog's control `id`; its tip is kept by `tips`.
    void Attach(HWND dialog, int id, TipControl& tips);

    HWND hwnd() const { return hwnd_; }

    // Replaces the held icon (the old one is destroyed) and shows the new one.
    void SetFileIcon(UniqueIcon icon);
    // A 16 x 16 icon of the program's resources; id 0 leaves the button without one.
    void SetResourceIcon(int resourceId);
    void ReleaseIcon();
    void SetTipText(const std::string& text);

    int IconResource = 0;

protected:
    // The button's messages; the mouse has already been shown to the tip.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The BUTTON class's own handling.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    HICON Icon() const { return icon_.get(); }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ShowImage();
    void Detach();

    HWND hwnd_ = nullptr;
    WNDPROC buttonProc_ = nullptr;
    TipControl* tips_ = nullptr;
    UniqueIcon icon_;
};

}  // namespace qp
