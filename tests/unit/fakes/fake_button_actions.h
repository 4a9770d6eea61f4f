#pragma once
// ButtonActions that record each action as one word: "slot0", "slot3", "player", "up",
// "down".
#include <string>
#include <vector>

#include "device/button_actions.h"

namespace qp::test {

class FakeButtonActions : public ButtonActions {
public:
    void LaunchSlotHidden(int slot) override { actions.push_back("slot" + std::to_string(slot)); }
    void LaunchMediaPlayer() override { actions.push_back("player"); }
    void VolumeUp() override { actions.push_back("up"); }
    void VolumeDown() override { actions.push_back("down"); }

    std::vector<std::string> actions;
};

}  // namespace qp::test
