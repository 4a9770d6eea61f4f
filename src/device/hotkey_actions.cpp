#include "device/hotkey_actions.h"

#include <tuple>

namespace qp {

void HotkeyActions::LaunchSlotHidden(int slot) {
    constexpr int kSlots = std::tuple_size<decltype(Settings::ProgramFile)>::value;
    if (slot < 0 || slot >= kSlots) return;
    const std::string path = settings_.Copy().ProgramFile[static_cast<size_t>(slot)];
    if (path.empty()) return;
    launcher_.LaunchHidden(path);
}

void HotkeyActions::LaunchMediaPlayer() { launcher_.LaunchMediaPlayer(settings_.Copy().Param); }

}  // namespace qp
