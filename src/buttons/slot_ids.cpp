#include "buttons/slot_ids.h"

namespace qp {

int SlotOfButton(int id) {
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (kSlotButtonIds[slot] == id) return slot;
    return -1;
}

}  // namespace qp
