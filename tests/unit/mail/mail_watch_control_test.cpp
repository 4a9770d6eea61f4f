// When the mailbox watch runs, and with which values.
#include "mail/mail_watch_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qp {
namespace {

class FakeMailWatch : public MailWatchPort {
public:
    bool Available() const override { return present; }
    int32_t Start(const vrxmail::MailRequest& request) override {
        calls.push_back("start " + std::to_string(request.serverType) + " " + request.host + " " +
                        request.user + " " + request.password);
        return startResult;
    }
    void Stop() override { calls.push_back("stop"); }

    bool present = true;
    int32_t startResult = 0;
    std::vector<std::string> calls;
};

class MailWatchControlTest : public ::testing::Test {
protected:
    MailWatchControlTest() {
        settings.MailPollEn = 1;
        settings.ServerType = 1;
        settings.MailHost = "imap.example.org";
        settings.MailUser = "alice";
        settings.MailPwd = "secret";
    }
    using Calls = std::vector<std::string>;
    const std::string start = "start 1 imap.example.org alice secret";

    Settings settings;
    FakeMailWatch watch;
    MailWatchControl control{watch};
};

TEST_F(MailWatchControlTest, RunsOnlyWithPollingAnImapServerAndPushOn) {
    control.Follow(settings);
    EXPECT_EQ(watch.calls, Calls{start});
    for (auto off : {+[](Settings& s) { s.MailPollEn = 0; }, +[](Settings& s) { s.ServerType = 0; },
                     +[](Settings& s) { s.MailPushEn = 0; }, +[](Settings& s) { s.MailPushEn = 7; }}) {
        Settings changed = settings;
        off(changed);
        watch.calls.clear();
        control.Follow(changed);
        EXPECT_EQ(watch.calls, Calls{"stop"});
        EXPECT_FALSE(control.Running());
        control.Follow(settings);
    }
}

TEST_F(MailWatchControlTest, ALibraryWithoutTheWatchOrARefusedStartLeavesNothingRunning) {
    watch.present = false;
    control.Follow(settings);
    EXPECT_TRUE(watch.calls.empty());
    watch.present = true;
    watch.startResult = 1;
    control.Follow(settings);
    EXPECT_FALSE(control.Running());
    control.Stop();
    EXPECT_EQ(watch.calls, Calls{start}) << "nothing to stop";
}

TEST_F(MailWatchControlTest, TheDialogsOkStartsItAnewWithTheNewValues) {
    control.Follow(settings);
    settings.MailHost = "tls:other.example.org:9993";
    control.Follow(settings);
    EXPECT_EQ(watch.calls, (Calls{start, "stop", "start 1 tls:other.example.org:9993 alice secret"}));
}

TEST_F(MailWatchControlTest, StoppedAcrossASleepAndItsTimerWakesStartedWhenTheMachineStaysAwake) {
    control.Follow(settings);
    EXPECT_FALSE(control.OnPower(PowerChange::Suspending, settings));
    EXPECT_FALSE(control.OnPower(PowerChange::TimerWake, settings));
    EXPECT_EQ(watch.calls, (Calls{start, "stop"}));
    control.Follow(settings);
    EXPECT_FALSE(control.Running()) << "a timer wake goes back to sleep";

    // The automatic resume and then the user's: one start, one check.
    EXPECT_TRUE(control.OnPower(PowerChange::ResumedAwake, settings));
    EXPECT_FALSE(control.OnPower(PowerChange::ResumedAwake, settings));
    EXPECT_EQ(watch.calls, (Calls{start, "stop", start}));

    EXPECT_FALSE(control.OnPower(PowerChange::None, settings));
    control.Stop();
    control.Stop();
    EXPECT_EQ(watch.calls, (Calls{start, "stop", start, "stop"}));
}

TEST_F(MailWatchControlTest, ATimerWakeThatDoesNotEndInSleepBringsItBackWithoutACheck) {
    control.Follow(settings);
    control.OnPower(PowerChange::TimerWake, settings);
    EXPECT_FALSE(control.OnPower(PowerChange::StaysAwake, settings));
    EXPECT_TRUE(control.Running());
    EXPECT_FALSE(control.OnPower(PowerChange::StaysAwake, settings));
    EXPECT_EQ(watch.calls, (Calls{start, "stop", start}));
}

TEST_F(MailWatchControlTest, AResumeChecksWithPollingOnEvenWhenPushCannotRun) {
    settings.ServerType = 0;
    EXPECT_TRUE(control.OnPower(PowerChange::ResumedAwake, settings));
    EXPECT_TRUE(watch.calls.empty());
    control.OnPower(PowerChange::Suspending, settings);
    settings.MailPollEn = 0;
    EXPECT_FALSE(control.OnPower(PowerChange::ResumedAwake, settings));
}

}  // namespace
}  // namespace qp
