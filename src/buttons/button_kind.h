#pragma once
#include <cstdint>

namespace qp {

// What a button of the bar is for; every button of the bar is a LaunchButton.
enum ButtonKind : int32_t {
    NoKind = -1,
    SlotButton = 0,
    ClearButton = 1,
    BrowseButton = 2,
    SettingsButton = 3,
};

}  // namespace qp
