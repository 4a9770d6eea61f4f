#pragma once
// One owner-drawn button of the bar: a slot button, a small clear or browse button,
// the mail settings button or a spare. It draws itself flat with a two-pixel edge,
// and a slot button takes drops, double-clicks and its menu.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>

#include "buttons/button_kind.h"
#include "ui/win32_icon_button.h"

namespace qp {

class SettingsStore;
class SlotOperations;
class TipControl;

class LaunchButton : public IconButton {
public:
    // Takes over the dialog's control `id`; a slot button's file is slot `slot` of
    // the settings (-1 for the other buttons).
    void Attach(HWND dialog, int id, int slot, const SettingsStore& settings, TipControl& tips,
                SlotOperations& slots);

    int Slot() const { return slot_; }
    // The slot's assigned file; empty for an empty slot and for the other buttons.
    const std::string& ProgramFile() const;

    // The icon and tip of a slot button from its file: large icon for style 1,
    // small for the floating bar.
    void RefreshSlot(int32_t style);
    void PaintButton(const DRAWITEMSTRUCT& item);

    POINT MenuPoint{};  // where the slot menu was last opened, screen coordinates
    ButtonKind Kind = NoKind;
    int32_t SlotStyle = 0;
    int32_t IconInsetX = 0;
    int32_t IconInsetY = 0;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDropFiles(HDROP drop);
    LRESULT OnRightButtonDown(WPARAM wParam, LPARAM lParam);

    int slot_ = -1;
    const SettingsStore* settings_ = nullptr;
    SlotOperations* slots_ = nullptr;
};

}  // namespace qp
