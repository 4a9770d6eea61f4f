#pragma once
// Control and command ids of the four slots, by slot number 0..3.
#include <array>

namespace qp {

constexpr int kSlotCount = 4;

constexpr std::array<int, kSlotCount> kSlotButtonIds = {1000, 1023, 1024, 1025};
constexpr std::array<int, kSlotCount> kClearButtonIds = {1001, 1029, 1030, 1031};
constexpr std::array<int, kSlotCount> kBrowseButtonIds = {1004, 1033, 1034, 1035};
constexpr int kClearAllButtonId = 1040;
constexpr int kSettingsButtonId = 1017;
constexpr int kStatusStripId = 1003;
// The floating bar's menu item "Delete all buttons setting".
constexpr int kDeleteAllCommand = 32789;

// The spare fifth slot's controls: bound, never shown, no role.
constexpr std::array<int, 3> kSpareButtonIds = {1026, 1032, 1036};

// The slot number of a slot button, or -1.
int SlotOfButton(int id);

}  // namespace qp
