#include "device/volume_range.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

TEST(VolumeRangeTest, TheUsualRangeStepsBy2621) {
    const VolumeRange range = VolumeRange::FromControl(0, 65535);
    EXPECT_EQ(range.step, 2621u);
    EXPECT_EQ(range.Up(0), 2621u);
    EXPECT_EQ(range.Down(65535), 62914u);
}

TEST(VolumeRangeTest, MaximumZeroMeansFullSixteenBits) {
    const VolumeRange range = VolumeRange::FromControl(0, 0);
    EXPECT_EQ(range.maximum, 65535u);
    EXPECT_EQ(range.step, 2621u);
}

TEST(VolumeRangeTest, LevelIsTheValueOverTheStepCappedAt25) {
    const VolumeRange range = VolumeRange::FromControl(0, 65535);
    EXPECT_EQ(range.Level(0), 0u);
    EXPECT_EQ(range.Level(2620), 0u);
    EXPECT_EQ(range.Level(2621), 1u);
    EXPECT_EQ(range.Level(65525), 25u);
    EXPECT_EQ(range.Level(65535), 25u);
}

TEST(VolumeRangeTest, LevelDividesTheValueItselfNotItsDistanceFromTheMinimum) {
    const VolumeRange range = VolumeRange::FromControl(1000, 3500);  // step 100
    EXPECT_EQ(range.step, 100u);
    EXPECT_EQ(range.Level(1000), 10u);
    EXPECT_EQ(range.Level(3500), 25u);
}

TEST(VolumeRangeTest, StepsThatWrapLandOnTheBounds) {
    const VolumeRange range = VolumeRange::FromControl(0, 0xFFFFFFFF);
    EXPECT_EQ(range.Up(0xFFFFFFF0), 0xFFFFFFFFu);
    EXPECT_EQ(range.Down(5), 0u);
}

TEST(VolumeRangeTest, StepsPastTheBoundsAreClampedNotWrapped) {
    const VolumeRange range = VolumeRange::FromControl(100, 2600);  // step 100
    EXPECT_EQ(range.Clamp(range.Down(150)), 100u);
    EXPECT_EQ(range.Clamp(range.Up(2550)), 2600u);
    EXPECT_EQ(range.Clamp(7), 100u);
    EXPECT_EQ(range.Clamp(9999), 2600u);
}

TEST(VolumeRangeTest, ANarrowRangeMovesOneUnitAndScalesItsLevel) {
    const VolumeRange range = VolumeRange::FromControl(0, 10);
    EXPECT_EQ(range.step, 0u);
    EXPECT_EQ(range.Up(0), 1u);
    EXPECT_EQ(range.Down(10), 9u);
    EXPECT_EQ(range.Level(0), 0u);
    EXPECT_EQ(range.Level(1), 2u);   // 1 * 25 / 10
    EXPECT_EQ(range.Level(10), 25u);
}

TEST(VolumeRangeTest, ARangeWithNoRoomIsNotUsable) {
    EXPECT_FALSE(VolumeRange::FromControl(500, 500).Usable());
    EXPECT_FALSE(VolumeRange::FromControl(70000, 65535).Usable());
    EXPECT_EQ(VolumeRange::FromControl(70000, 65535).step, 0u);
    EXPECT_EQ(VolumeRange::FromControl(500, 500).Level(500), 0u);
    EXPECT_TRUE(VolumeRange::FromControl(0, 1).Usable());
}

}  // namespace
}  // namespace qp
