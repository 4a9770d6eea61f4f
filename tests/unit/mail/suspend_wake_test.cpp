// The window's reactions to power broadcasts.
#include "mail/suspend_wake.h"

#include <gtest/gtest.h>

#include "fakes/fake_mail_poll.h"

namespace qp {
namespace {

using test::FakePollEvent;
using test::FakeWakeTimer;

class SuspendWakeTest : public ::testing::Test {
protected:
    void Broadcast(uint32_t event) {
        OnPowerEvent(event, settings, timer, pollEvent,
                     {stopWorkers, pollNow, pollBusy, resuspendPending});
    }

    Settings settings;
    FakeWakeTimer timer;
    FakePollEvent pollEvent;
    std::atomic<int32_t> stopWorkers{0}, pollNow{0}, pollBusy{0}, resuspendPending{0};
};

TEST_F(SuspendWakeTest, TheDueTimeIsMinutesBackwardsInHundredsOfNanosecondsIn64Bits) {
    EXPECT_EQ(WakeDueTime(30), -18000000000LL);
    EXPECT_EQ(WakeDueTime(1), -600000000LL);
    EXPECT_EQ(WakeDueTime(0), 0);
    EXPECT_EQ(WakeDueTime(32767), -19660200000000LL);
}

TEST_F(SuspendWakeTest, TheSuspendQueryArmsTheTimerOnlyWithSuspendPollingOn) {
    settings.SusMailPollTime = 30;
    Broadcast(kQuerySuspend);
    EXPECT_TRUE(timer.armed.empty());
    settings.SusMailPollEn = 1;
    Broadcast(kQuerySuspend);
    EXPECT_EQ(timer.armed, (std::vector<int64_t>{-18000000000LL}));
    EXPECT_EQ(pollEvent.Signals(), 0);
}

TEST_F(SuspendWakeTest, AnAutomaticResumeByTheTimerAsksForAPollAndARe_Suspend) {
    timer.fires = true;
    Broadcast(kResumeAutomatic);
    EXPECT_EQ(timer.testedMs, (std::vector<uint32_t>{100}));
    EXPECT_EQ(resuspendPending, 1);
    EXPECT_EQ(pollNow, 1);
    EXPECT_TRUE(pollEvent.Pending());
}

TEST_F(SuspendWakeTest, AnAutomaticResumeByAnythingElseClearsBothFlags) {
    resuspendPending = 1;
    pollNow = 1;
    Broadcast(kResumeAutomatic);
    EXPECT_EQ(resuspendPending, 0);
    EXPECT_EQ(pollNow, 0);
    EXPECT_EQ(pollEvent.Signals(), 0);
}

TEST_F(SuspendWakeTest, AUserResumeKeepsThePollButNotTheRe_Suspend) {
    resuspendPending = 1;
    pollNow = 1;
    Broadcast(kResumeSuspend);
    EXPECT_EQ(resuspendPending, 0);
    EXPECT_EQ(pollNow, 1);
}

TEST_F(SuspendWakeTest, OtherEventsChangeNothing) {
    settings.SusMailPollEn = 1;
    timer.fires = true;
    resuspendPending = 1;
    for (uint32_t event : {4u, 6u, 10u, 0x8013u}) Broadcast(event);
    EXPECT_TRUE(timer.armed.empty());
    EXPECT_TRUE(timer.testedMs.empty());
    EXPECT_EQ(resuspendPending, 1);
    EXPECT_EQ(pollNow, 0);
}

}  // namespace
}  // namespace qp
