#pragma once
// Assigning, clearing and launching the four slots, and when that is saved.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace qp {

// What the slot operations need from the slot buttons and the shell.
class SlotScreen {
public:
    virtual ~SlotScreen() = default;
    // The slot button's icon and tip from its file.
    virtual void RefreshSlot(int slot, int32_t style) = 0;
    // The bar's own chooser (title, help button, two filters); nothing when cancelled.
    virtual std::optional<std::string> ChooseFileForBar() = 0;
    // The slot menu's chooser (three filters, default extension); nothing when cancelled.
    virtual std::optional<std::string> ChooseFileForSlotMenu() = 0;
    virtual void BringToFront(int slot) = 0;
    // Writes the status strip control directly, leaving the window's status text alone.
    virtual void ShowInStatusStrip(const std::string& text) = 0;
    // Opens the file through the shell with its default action; the result is not looked at.
    virtual void Open(const std::string& path) = 0;
};

// What only the button bar window can do.
class SlotWindow {
public:
    virtual ~SlotWindow() = default;
    // The window's status text, shown in the status strip at the next PushStatusText.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void PushStatusText() = 0;
    // Saves every setting, the four slots as they now stand included.
    virtual void SaveAllSettings() = 0;
};

class SlotOperations {
public:
    SlotOperations(SettingsStore& settings, SlotScreen& screen, SlotWindow& window)
        : settings_(settings), screen_(screen), window_(window) {}

    // The bar's small buttons and the floating bar's menu: refresh with the Style setting.
    void ClearSlot(int slot);
    void BrowseSlot(int slot);
    void ClearAllSlots();

    // The slot button's own menu and drops: refresh with the button's style.
    void MenuBrowse(int slot, int32_t slotStyle);
    void MenuDelete(int slot, int32_t slotStyle);
    // Assigns every readable path in turn, so the last one stays; saves nothing.
    // An empty path stands for an entry that could not be read and is skipped.
    void Drop(int slot, int32_t slotStyle, const std::vector<std::string>& paths);

    // Opens the slot's file; an empty slot does nothing.
    void Launch(int slot);

private:
    void SetFile(int slot, const std::string& path);
    int32_t Style() const { return settings_.Values().Style; }

    SettingsStore& settings_;
    SlotScreen& screen_;
    SlotWindow& window_;
};

}  // namespace qp
