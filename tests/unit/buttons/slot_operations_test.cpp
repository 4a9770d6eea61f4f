#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "buttons/slot_operations.h"
#include "fake_slot_host.h"

namespace qp {
namespace {

using Calls = std::vector<std::string>;
using Slots = std::array<std::string, 4>;

class SlotOperationsTest : public ::testing::Test {
protected:
    SlotOperationsTest() {
        store.Modify([](Settings& s) {
            s.Style = 1;
            s.ProgramFile = {"C:\\a.exe", "C:\\b.exe", "C:\\c.exe", "C:\\d.exe"};
        });
    }
    const Slots& Files() { return store.Values().ProgramFile; }

    SettingsStore store;
    test::FakeSlotHost host{store};
    SlotOperations ops{store, host, host};
};

TEST_F(SlotOperationsTest, ClearSlotEmptiesRefreshesSavesAndShowsEmptyStatus) {
    ops.ClearSlot(1);
    EXPECT_EQ(Files(), (Slots{"C:\\a.exe", "", "C:\\c.exe", "C:\\d.exe"}));
    EXPECT_EQ(host.calls, (Calls{"status ", "refresh 1 style 1", "status ", "save", "push "}));
    EXPECT_EQ(host.saved.at(0)[1], "");
}

TEST_F(SlotOperationsTest, ClearSlotRefreshesWithTheStyleSetting) {
    store.Modify([](Settings& s) { s.Style = 2; });
    ops.ClearSlot(3);
    EXPECT_EQ(host.calls.at(1), "refresh 3 style 2");
}

TEST_F(SlotOperationsTest, BrowseAssignsTheChosenPathAndShowsIt) {
    host.barChoice = "C:\\Tools\\new.exe";
    ops.BrowseSlot(2);
    EXPECT_EQ(Files()[2], "C:\\Tools\\new.exe");
    EXPECT_EQ(host.calls, (Calls{"choose bar", "status C:\\Tools\\new.exe", "refresh 2 style 1",
                                 "save", "push C:\\Tools\\new.exe"}));
    EXPECT_EQ(host.saved.at(0)[2], "C:\\Tools\\new.exe");
}

TEST_F(SlotOperationsTest, CancelledBrowseKeepsTheFileEmptiesStatusAndStillSaves) {
    ops.BrowseSlot(0);
    EXPECT_EQ(Files()[0], "C:\\a.exe");
    EXPECT_EQ(host.calls, (Calls{"choose bar", "status ", "refresh 0 style 1", "save", "push "}));
}

TEST_F(SlotOperationsTest, ClearAllEmptiesEverySlotInOrderThenSavesOnce) {
    ops.ClearAllSlots();
    EXPECT_EQ(Files(), (Slots{"", "", "", ""}));
    EXPECT_EQ(host.calls, (Calls{"status ", "refresh 0 style 1", "refresh 1 style 1",
                                 "refresh 2 style 1", "refresh 3 style 1", "status ", "save",
                                 "push "}));
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0], (Slots{"", "", "", ""}));
}

TEST_F(SlotOperationsTest, MenuBrowseAssignsWithTheButtonsStyleAndLeavesStatusAlone) {
    host.menuChoice = "C:\\notes.txt";
    ops.MenuBrowse(1, 2);
    EXPECT_EQ(Files(), (Slots{"C:\\a.exe", "C:\\notes.txt", "C:\\c.exe", "C:\\d.exe"}));
    EXPECT_EQ(host.calls, (Calls{"choose menu", "refresh 1 style 2", "save"}));
    EXPECT_EQ(host.saved.at(0), Files());
}

TEST_F(SlotOperationsTest, CancelledMenuBrowseChangesAndSavesNothing) {
    ops.MenuBrowse(1, 2);
    EXPECT_EQ(Files()[1], "C:\\b.exe");
    EXPECT_EQ(host.calls, (Calls{"choose menu"}));
}

TEST_F(SlotOperationsTest, MenuDeleteEmptiesOnlyItsSlotAndSavesAllFour) {
    ops.MenuDelete(1, 2);
    EXPECT_EQ(host.calls, (Calls{"refresh 1 style 2", "save"}));
    EXPECT_EQ(host.saved.at(0), (Slots{"C:\\a.exe", "", "C:\\c.exe", "C:\\d.exe"}));
}

TEST_F(SlotOperationsTest, DropAssignsEachFileInTurnAndDoesNotSave) {
    ops.Drop(2, 1, {"Z:\\tmp\\one.txt", "Z:\\tmp\\two.txt", "Z:\\tmp\\three.txt"});
    EXPECT_EQ(Files()[2], "Z:\\tmp\\three.txt");
    EXPECT_TRUE(host.saved.empty());
    EXPECT_EQ(host.calls,
              (Calls{"front 2", "refresh 2 style 1", "strip Z:\\tmp\\one.txt",
                     "front 2", "refresh 2 style 1", "strip Z:\\tmp\\two.txt",
                     "front 2", "refresh 2 style 1", "strip Z:\\tmp\\three.txt"}));
    EXPECT_EQ(host.statusText, " ");
}

TEST_F(SlotOperationsTest, DropSkipsUnreadableEntries) {
    ops.Drop(0, 2, {"Z:\\x\\first", "", "Z:\\x\\folder"});
    EXPECT_EQ(Files()[0], "Z:\\x\\folder");
    EXPECT_EQ(host.calls.size(), 6u);
}

TEST_F(SlotOperationsTest, LaunchOpensTheSlotsFile) {
    ops.Launch(3);
    EXPECT_EQ(host.calls, (Calls{"open C:\\d.exe"}));
}

TEST_F(SlotOperationsTest, LaunchOfEmptySlotDoesNothing) {
    ops.MenuDelete(0, 1);
    host.calls.clear();
    ops.Launch(0);
    EXPECT_TRUE(host.calls.empty());
}

}  // namespace
}  // namespace qp
