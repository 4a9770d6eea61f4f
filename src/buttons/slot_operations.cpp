#include "buttons/slot_operations.h"

#include "buttons/slot_ids.h"

namespace qp {

void SlotOperations::SetFile(int slot, const std::string& path) {
    // Under the store's lock: the hotkey worker may be copying the slots right now.
    settings_.Modify([&](Settings& s) { s.ProgramFile[slot] = path; });
}

void SlotOperations::ClearSlot(int slot) {
    window_.SetStatusText("");
    SetFile(slot, "");
    screen_.RefreshSlot(slot, Style());
    window_.SetStatusText("");
    window_.SaveAllSettings();
    window_.PushStatusText();
}

void SlotOperations::BrowseSlot(int slot) {
    const std::optional<std::string> chosen = screen_.ChooseFileForBar();
    if (chosen) SetFile(slot, *chosen);
    window_.SetStatusText(chosen.value_or(""));
    screen_.RefreshSlot(slot, Style());
    window_.SaveAllSettings();
    window_.PushStatusText();
}

void SlotOperations::ClearAllSlots() {
    window_.SetStatusText("");
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SetFile(slot, "");
        screen_.RefreshSlot(slot, Style());
    }
    window_.SetStatusText("");
    window_.SaveAllSettings();
    window_.PushStatusText();
}

void SlotOperations::MenuBrowse(int slot, int32_t slotStyle) {
    const std::optional<std::string> chosen = screen_.ChooseFileForSlotMenu();
    if (!chosen) return;
    SetFile(slot, *chosen);
    screen_.RefreshSlot(slot, slotStyle);
    window_.SaveAllSettings();
}

void SlotOperations::MenuDelete(int slot, int32_t slotStyle) {
    SetFile(slot, "");
    screen_.RefreshSlot(slot, slotStyle);
    window_.SaveAllSettings();
}

void SlotOperations::Drop(int slot, int32_t slotStyle, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        SetFile(slot, path);
        screen_.BringToFront(slot);
        screen_.RefreshSlot(slot, slotStyle);
        screen_.ShowInStatusStrip(path);
    }
}

void SlotOperations::Launch(int slot) {
    const std::string& path = settings_.Values().ProgramFile[slot];
    if (path.empty()) return;
    screen_.Open(path);
}

}  // namespace qp
