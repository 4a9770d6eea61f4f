#include "device/hotkey_actions.h"

namespace qp {

void HotkeyActions::LaunchSlotHidden(int slot) {
    if (slot < 0 || slot >= static_cast<int>(Settings{}.ProgramFile.size())) return;
    const std::string path = settings_.Copy().ProgramFile[static_cast<size_t>(slot)];
    if (path.empty()) return;
    launcher_.LaunchHidden(path);
}

void HotkeyActions::LaunchMediaPlayer() { launcher_.LaunchMediaPlayer(settings_.Copy().Param); }

}  // namespace qp
