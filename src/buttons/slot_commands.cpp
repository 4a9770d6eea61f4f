#include "buttons/slot_commands.h"

#include "buttons/slot_ids.h"

namespace qp {

namespace {

int IndexOf(const std::array<int, kSlotCount>& ids, int id) {
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (ids[slot] == id) return slot;
    return -1;
}

}  // namespace

SlotCommand ClassifyCommand(int id, int notifyCode) {
    if (notifyCode == kButtonDoubleClicked) {
        int slot = SlotOfButton(id);
        return slot < 0 ? SlotCommand{SlotAction::None, -1} : SlotCommand{SlotAction::Launch, slot};
    }
    if (notifyCode != kButtonClicked) return {SlotAction::None, -1};
    if (int slot = IndexOf(kClearButtonIds, id); slot >= 0) return {SlotAction::Clear, slot};
    if (int slot = IndexOf(kBrowseButtonIds, id); slot >= 0) return {SlotAction::Browse, slot};
    if (id == kClearAllButtonId || id == kDeleteAllCommand) return {SlotAction::ClearAll, -1};
    return {SlotAction::None, -1};
}

}  // namespace qp
