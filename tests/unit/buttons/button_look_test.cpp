#include <gtest/gtest.h>

#include "buttons/button_look.h"

namespace qp {
namespace {

constexpr Rect kItem = {0, 0, 60, 55};

TEST(ButtonLookTest, SlotInsetsFollowTheStyle) {
    EXPECT_EQ(SlotIconInset(1).x, 14);
    EXPECT_EQ(SlotIconInset(1).y, 10);
    EXPECT_EQ(SlotIconInset(2).x, 3);
    EXPECT_EQ(SlotIconInset(2).y, 3);
    EXPECT_EQ(SlotIconInset(0).x, 3);
}

TEST(ButtonLookTest, SlotIconUsesItsOwnInsetInBothStyles) {
    EXPECT_EQ(IconArea(SlotButton, 1, {14, 10}, kItem), (Rect{14, 10, 46, 45}));
    EXPECT_EQ(IconArea(SlotButton, 2, {3, 3}, Rect{0, 0, 23, 23}), (Rect{3, 3, 20, 20}));
}

TEST(ButtonLookTest, SlotWithUnknownStyleDrawsNoIcon) {
    EXPECT_FALSE(IconArea(SlotButton, 0, {14, 10}, kItem));
    EXPECT_FALSE(IconArea(SlotButton, 3, {3, 3}, kItem));
}

TEST(ButtonLookTest, SmallButtonsUseFixedInsets) {
    const Rect small = {0, 0, 25, 25};
    EXPECT_EQ(IconArea(ClearButton, 0, {14, 10}, small), (Rect{5, 4, 20, 21}));
    EXPECT_EQ(IconArea(BrowseButton, 0, {0, 0}, small), (Rect{5, 4, 20, 21}));
    EXPECT_EQ(IconArea(SettingsButton, 0, {0, 0}, small), (Rect{4, 4, 21, 21}));
    EXPECT_FALSE(IconArea(NoKind, 1, {3, 3}, small));
}

TEST(ButtonLookTest, SlotLooksPressedWhenEmptyWhateverItsPushState) {
    EXPECT_TRUE(LooksPressed(SlotButton, false, false));
    EXPECT_FALSE(LooksPressed(SlotButton, true, true));
}

TEST(ButtonLookTest, SmallButtonLooksPressedOnlyWhileHeldDown) {
    EXPECT_TRUE(LooksPressed(ClearButton, false, true));
    EXPECT_FALSE(LooksPressed(ClearButton, true, false));
    EXPECT_TRUE(LooksPressed(SettingsButton, false, true));
}

TEST(ButtonLookTest, RaisedEdgeIsLightTopLeftDarkBottomRight) {
    const auto lines = EdgeLines(kItem, false);
    EXPECT_EQ(lines[0].colour, EdgeColour::Highlight);
    EXPECT_EQ(lines[1].colour, EdgeColour::Light);
    EXPECT_EQ(lines[2].colour, EdgeColour::DarkShadow);
    EXPECT_EQ(lines[3].colour, EdgeColour::Shadow);
}

TEST(ButtonLookTest, PressedEdgeSwapsTheColours) {
    const auto lines = EdgeLines(kItem, true);
    EXPECT_EQ(lines[0].colour, EdgeColour::DarkShadow);
    EXPECT_EQ(lines[1].colour, EdgeColour::Shadow);
    EXPECT_EQ(lines[2].colour, EdgeColour::Highlight);
    EXPECT_EQ(lines[3].colour, EdgeColour::Light);
}

TEST(ButtonLookTest, EdgeLinesRunAlongTheRectangle) {
    const auto lines = EdgeLines(Rect{2, 3, 62, 58}, false);
    EXPECT_EQ(lines[0].points, (std::array<Point, 3>{{{2, 57}, {2, 3}, {62, 3}}}));
    EXPECT_EQ(lines[1].points, (std::array<Point, 3>{{{3, 57}, {3, 4}, {62, 4}}}));
    EXPECT_EQ(lines[2].points, (std::array<Point, 3>{{{2, 57}, {61, 57}, {61, 2}}}));
    EXPECT_EQ(lines[3].points, (std::array<Point, 3>{{{3, 56}, {60, 56}, {60, 3}}}));
}

}  // namespace
}  // namespace qp
