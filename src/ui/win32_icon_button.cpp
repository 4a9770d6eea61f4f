#include "ui/win32_icon_button.h"

#include <utility>

#include "ui/win32_tip_control.h"

namespace qp {

namespace {

constexpr char kSelfProperty[] = "QuilpadIconButton";
constexpr int kSmallIconSide = 16;

}  // namespace

IconButton::~IconButton() { Detach(); }

void IconButton::Attach(HWND dialog, int id, TipControl& tips) {
    Detach();
    hwnd_ = GetDlgItem(dialog, id);
    tips_ = &tips;
    if (!hwnd_) return;
    SetPropA(hwnd_, kSelfProperty, this);
    buttonProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&IconButton::SubclassProc)));
}

void IconButton::Detach() {
    if (!hwnd_) return;
    if (tips_) tips_->RemoveTool(hwnd_);
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProc_));
    RemovePropA(hwnd_, kSelfProperty);
    hwnd_ = nullptr;
}

void IconButton::SetFileIcon(UniqueIcon icon) {
    ReleaseIcon();
    icon_ = std::move(icon);
    ShowImage();
}

void IconButton::SetResourceIcon(int resourceId) {
    ReleaseIcon();
    if (resourceId != 0) {
        IconResource = resourceId;
        icon_.reset(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                                  MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                                  kSmallIconSide, kSmallIconSide, LR_DEFAULTCOLOR)));
    }
    ShowImage();
}

void IconButton::ReleaseIcon() { icon_.reset(); }

void IconButton::ShowImage() {
    if (!hwnd_) return;
    SendMessageA(hwnd_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon_.get()));
    // An owner-drawn button paints only its edge and icon: erase, or a removed icon
    // would stay.
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void IconButton::SetTipText(const std::string& text) {
    if (tips_ && hwnd_) tips_->SetTool(hwnd_, text);
}

LRESULT CALLBACK IconButton::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<IconButton*>(GetPropA(hwnd, kSelfProperty));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WNDPROC buttonProc = self->buttonProc_;
        self->Detach();
        return CallWindowProcA(buttonProc, hwnd, message, wParam, lParam);
    }
    if ((message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) &&
        self->tips_)
        self->tips_->Relay(hwnd, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT IconButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT IconButton::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(buttonProc_, hwnd_, message, wParam, lParam);
}

}  // namespace qp
