#pragma once
// The seventeen buttons of the bar, their shared tip control and the slot operations
// behind them, as one piece the window owns and calls at its start-up steps, its
// layouts and from its message handler.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "buttons/slot_operations.h"
#include "buttons/win32_launch_button.h"
#include "ui/win32_tip_control.h"

namespace qp {

class ButtonSet : private SlotScreen {
public:
    ButtonSet(SettingsStore& settings, SlotWindow& window);

    // Takes over the seventeen button controls of the dialog; after its controls exist.
    void Attach(HWND dialog);
    // Each button's kind, and the slot buttons' style and insets for `style`.
    void SetRoles(int32_t style);
    // The slot buttons' style and icon insets, for a layout of `style`.
    void SetSlotStyle(int32_t style);
    // The fixed 16 x 16 images of the small buttons.
    void SetButtonImages();
    void CreateTips();
    // The small buttons' tips, in the language of the table.
    void AttachTips();
    // Each slot button's icon and tip from its file, slots 0 to 3.
    void RefreshSlots(int32_t style);

    // WM_DRAWITEM of the dialog: true when one of the buttons drew itself.
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    // WM_COMMAND of the dialog: true for the slot commands (clear, browse, delete all,
    // a double-click on a slot button).
    bool OnCommand(WPARAM wParam, LPARAM lParam);

    // The tip control of the bar, which other dialogs of the program share.
    TipControl& Tips() { return tips_; }

    // A button by control id, or nullptr for an id that is not one of the seventeen.
    LaunchButton* Button(int id);

private:
    void RefreshSlot(int slot, int32_t style) override;
    std::optional<std::string> ChooseFileForBar() override;
    std::optional<std::string> ChooseFileForSlotMenu() override;
    void BringToFront(int slot) override;
    void ShowInStatusStrip(const std::string& text) override;
    void Open(const std::string& path) override;

    SettingsStore& settings_;
    HWND dialog_ = nullptr;
    SlotOperations slots_;
    TipControl tips_;
    std::array<LaunchButton, 17> buttons_;
};

}  // namespace qp
