#include <gtest/gtest.h>

#include "buttons/slot_commands.h"

namespace qp {
namespace {

void ExpectCommand(int id, int code, SlotAction action, int slot) {
    SlotCommand command = ClassifyCommand(id, code);
    EXPECT_EQ(command.action, action) << "id " << id << " code " << code;
    EXPECT_EQ(command.slot, slot) << "id " << id << " code " << code;
}

TEST(SlotCommandsTest, ClearButtonsClearTheirSlot) {
    ExpectCommand(1001, kButtonClicked, SlotAction::Clear, 0);
    ExpectCommand(1029, kButtonClicked, SlotAction::Clear, 1);
    ExpectCommand(1030, kButtonClicked, SlotAction::Clear, 2);
    ExpectCommand(1031, kButtonClicked, SlotAction::Clear, 3);
}

TEST(SlotCommandsTest, BrowseButtonsBrowseForTheirSlot) {
    ExpectCommand(1004, kButtonClicked, SlotAction::Browse, 0);
    ExpectCommand(1033, kButtonClicked, SlotAction::Browse, 1);
    ExpectCommand(1034, kButtonClicked, SlotAction::Browse, 2);
    ExpectCommand(1035, kButtonClicked, SlotAction::Browse, 3);
}

TEST(SlotCommandsTest, DeleteAllButtonAndMenuItemClearAll) {
    ExpectCommand(1040, kButtonClicked, SlotAction::ClearAll, -1);
    ExpectCommand(32789, kButtonClicked, SlotAction::ClearAll, -1);
}

TEST(SlotCommandsTest, DoubleClickOnSlotButtonLaunches) {
    ExpectCommand(1000, kButtonDoubleClicked, SlotAction::Launch, 0);
    ExpectCommand(1025, kButtonDoubleClicked, SlotAction::Launch, 3);
}

TEST(SlotCommandsTest, SingleClickOnSlotAndSpareButtonsDoNothing) {
    ExpectCommand(1000, kButtonClicked, SlotAction::None, -1);
    ExpectCommand(1026, kButtonDoubleClicked, SlotAction::None, -1);
    ExpectCommand(1032, kButtonClicked, SlotAction::None, -1);
    ExpectCommand(1017, kButtonClicked, SlotAction::None, -1);
}

TEST(SlotCommandsTest, DoubleClickOnSmallButtonIsNotASecondClick) {
    ExpectCommand(1001, kButtonDoubleClicked, SlotAction::None, -1);
    ExpectCommand(1040, kButtonDoubleClicked, SlotAction::None, -1);
}

}  // namespace
}  // namespace qp
