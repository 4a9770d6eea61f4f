#pragma once
// One owner-drawn button of the bar: a slot button, a small clear or browse button,
// the mail settings button or a spare. It draws itself flat with a two-pixel edge,
// holds its icon, and a slot button takes drops, double-clicks and its menu.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>

#include "buttons/button_kind.h"
#include "win32/unique_handle.h"

namespace qp {

class SettingsStore;
class SlotOperations;
class TipControl;

class LaunchButton {
public:
    LaunchButton() = default;
    ~LaunchButton();
    LaunchButton(const LaunchButton&) = delete;
    LaunchButton& operator=(const LaunchButton&) = delete;

    // Takes over the dialog's control `id`; a slot button's file is slot `slot` of
    // the settings (-1 for the other buttons).
    void Attach(HWND dialog, int id, int slot, const SettingsStore& settings, TipControl& tips,
                SlotOperations& slots);
    // Takes over a button of another dialog that only shows an icon and a tip.
    void Attach(HWND dialog, int id, TipControl& tips);

    HWND hwnd() const { return hwnd_; }
    int Slot() const { return slot_; }
    // The slot's assigned file; empty for an empty slot and for the other buttons.
    const std::string& ProgramFile() const;

    // The icon and tip of a slot button from its file: large icon for style 1,
    // small for the floating bar.
    void RefreshSlot(int32_t style);
    // Replaces the held icon (the old one is destroyed) and shows the new one.
    void SetFileIcon(UniqueIcon icon);
    // A 16 x 16 icon of the program's resources; id 0 leaves the button without one.
    void SetResourceIcon(int resourceId);
    void ReleaseIcon();
    void SetTipText(const std::string& text);
    void PaintButton(const DRAWITEMSTRUCT& item);

    POINT MenuPoint{};  // where the slot menu was last opened, screen coordinates
    ButtonKind Kind = NoKind;
    int IconResource = 0;
    int32_t SlotStyle = 0;
    int32_t IconInsetX = 0;
    int32_t IconInsetY = 0;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    void OnDropFiles(HDROP drop);
    LRESULT OnRightButtonDown(WPARAM wParam, LPARAM lParam);
    void ShowImage();
    void Subclass(HWND dialog, int id, int slot, const SettingsStore* settings, TipControl& tips,
                  SlotOperations* slots);
    void Detach();

    HWND hwnd_ = nullptr;
    WNDPROC buttonProc_ = nullptr;  // the BUTTON class's own procedure
    int slot_ = -1;
    const SettingsStore* settings_ = nullptr;
    TipControl* tips_ = nullptr;
    SlotOperations* slots_ = nullptr;
    UniqueIcon icon_;
};

}  // namespace qp
