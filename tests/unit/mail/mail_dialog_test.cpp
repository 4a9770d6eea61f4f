#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_registry.h"
#include "mail/mail_dialog_rules.h"
#include "mail/mail_dialog_values.h"

namespace qp {
namespace {

const std::string kUserKey = "HKCU\\Software\\VRX\\0.01";

TEST(ParameterForProgramTest, KnownMailProgramsInAnyFolderAndCase) {
    EXPECT_EQ(ParameterForProgram("C:\\Program Files\\Outlook Express\\msimn.exe", "x"), "/mail");
    EXPECT_EQ(ParameterForProgram("D:\\other\\MSIMN.EXE", "x"), "/mail");
    EXPECT_EQ(ParameterForProgram("Z:/tmp/MsImN.ExE", "x"), "/mail");
    EXPECT_EQ(ParameterForProgram("C:\\Office\\outlook.exe", "x"), "/recycle");
    EXPECT_EQ(ParameterForProgram("C:OUTLOOK.EXE", "x"), "/recycle");
}

TEST(ParameterForProgramTest, AnyOtherProgramKeepsTheParameter) {
    for (const char* path : {"C:\\mail\\msimn.exe.bak", "C:\\msimn.exe\\other.exe", "C:\\xmsimn.exe",
                             "C:\\outlook", "C:\\tools\\mailer.exe", ""})
        EXPECT_EQ(ParameterForProgram(path, "-keep me"), "-keep me") << path;
}

TEST(PeriodAcceptedTest, BoundsAreInclusive) {
    EXPECT_FALSE(PeriodAccepted(4));
    EXPECT_TRUE(PeriodAccepted(5));
    EXPECT_TRUE(PeriodAccepted(32767));
    EXPECT_FALSE(PeriodAccepted(32768));
    EXPECT_FALSE(PeriodAccepted(-5));
}

MailDialogValues Sample() {
    MailDialogValues v;
    v.MailPollTime = 12;
    v.SusMailPollTime = 90;
    v.ServerType = 1;
    v.MailProgram = "C:\\mail\\mailer.exe";
    v.MailHost = "tls:mail.example.org";
    v.MailPgmParam = "/compose";
    v.MailPollEn = 1;
    v.MailPwd = "secret";
    v.MailUser = "someone";
    v.SusMailPollEn = 1;
    return v;
}

TEST(MailDialogValuesTest, SaveWritesTheTenValuesInOrderAndLoadReadsThemBack) {
    test::FakeRegistry registry;
    MailDialogValues saved = Sample();
    TransferMailDialogValues(Direction::Save, registry, saved);
    std::vector<std::string> names;
    for (const test::RegCall& call : registry.CallsOf(test::RegOp::Set)) {
        EXPECT_EQ(call.key, kUserKey);
        names.push_back(call.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"MailHost", "MailPgmParam", "MailPollEn", "MailPollTime",
                                               "MailProgram", "MailPwd", "MailUser", "ServerType",
                                               "SusMailPollEn", "SusMailPollTime"}));
    EXPECT_EQ(registry.GetDword(kUserKey, "SusMailPollTime"), 90u);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);

    MailDialogValues loaded;
    TransferMailDialogValues(Direction::Load, registry, loaded);
    EXPECT_EQ(loaded.MailHost, saved.MailHost);
    EXPECT_EQ(loaded.MailPwd, saved.MailPwd);
    EXPECT_EQ(loaded.MailProgram, saved.MailProgram);
    EXPECT_EQ(loaded.ServerType, 1);
    EXPECT_EQ(loaded.MailPollTime, 12);
    EXPECT_EQ(loaded.SusMailPollEn, 1);
}

TEST(MailDialogValuesTest, MissingValuesKeepEmptyTextsAndZeros) {
    test::FakeRegistry registry;
    registry.PutString(kUserKey, "MailHost", "pop.example.org");
    registry.PutString(kUserKey, "WavePath", "C:\\ding.wav");
    MailDialogValues loaded;
    TransferMailDialogValues(Direction::Load, registry, loaded);
    EXPECT_EQ(loaded.MailHost, "pop.example.org");
    EXPECT_EQ(loaded.MailUser, "");
    EXPECT_EQ(loaded.MailPollTime, 0);
    EXPECT_EQ(loaded.ServerType, 0);
    EXPECT_EQ(registry.CallsOf(test::RegOp::Set).size(), 0u);
}

TEST(MailDialogValuesTest, UntickedPeriodsOpenWithTheirDefaults) {
    MailDialogValues v = Sample();
    v.MailPollEn = 0;
    DefaultUntickedPeriods(v);
    EXPECT_EQ(v.MailPollTime, 5);
    EXPECT_EQ(v.SusMailPollTime, 90);
    v.SusMailPollEn = 0;
    DefaultUntickedPeriods(v);
    EXPECT_EQ(v.SusMailPollTime, 30);
}

TEST(MailDialogValuesTest, WriteBackTouchesOnlyTheTenSettings) {
    Settings running;
    running.LastNewTimeStamp = "2026/12/01 12:00";
    running.Sound = 1;
    running.ProgramFile[0] = "C:\\one.exe";
    CopyIntoSettings(Sample(), running);
    EXPECT_EQ(running.MailHost, "tls:mail.example.org");
    EXPECT_EQ(running.MailPgmParam, "/compose");
    EXPECT_EQ(running.MailProgram, "C:\\mail\\mailer.exe");
    EXPECT_EQ(running.MailPwd, "secret");
    EXPECT_EQ(running.MailUser, "someone");
    EXPECT_EQ(running.ServerType, 1);
    EXPECT_EQ(running.MailPollEn, 1);
    EXPECT_EQ(running.MailPollTime, 12);
    EXPECT_EQ(running.SusMailPollEn, 1);
    EXPECT_EQ(running.SusMailPollTime, 90);
    EXPECT_EQ(running.LastNewTimeStamp, "2026/12/01 12:00");
    EXPECT_EQ(running.Sound, 1);
    EXPECT_EQ(running.ProgramFile[0], "C:\\one.exe");
}

// Plays the dialog: the take-over puts what the controls hold into the values.
class FakeConfirmHost : public MailConfirmHost {
public:
    explicit FakeConfirmHost(MailDialogValues& values) : values_(values) {}

    bool TakeOverControls() override {
        events.push_back("take over");
        if (!controlsHoldWholeNumbers) return false;
        values_ = controls;
        return true;
    }
    void RefusePeriod() override { events.push_back("refuse"); }
    void RequestPollNow() override { events.push_back("poll now"); }
    void Store(const MailDialogValues& values) override {
        events.push_back("store");
        stored = values;
    }

    MailDialogValues controls;
    bool controlsHoldWholeNumbers = true;
    std::vector<std::string> events;
    MailDialogValues stored;

private:
    MailDialogValues& values_;
};

// One confirmation of the sample values with the given boxes and periods in the controls.
struct Confirmation {
    Confirmation(int32_t pollEn, int32_t pollTime, int32_t susEn, int32_t susTime) {
        host.controls = Sample();
        host.controls.MailPollEn = pollEn;
        host.controls.MailPollTime = pollTime;
        host.controls.SusMailPollEn = susEn;
        host.controls.SusMailPollTime = susTime;
        result = ConfirmMailSettings(values, host);
    }
    MailDialogValues values;
    FakeConfirmHost host{values};
    ConfirmResult result;
};

TEST(ConfirmMailSettingsTest, TickedPeriodsInsideTheBoundsAreStored) {
    for (int32_t minutes : {5, 32767}) {
        Confirmation c(1, minutes, 1, minutes);
        EXPECT_EQ(c.result, ConfirmResult::Confirmed);
        EXPECT_EQ(c.host.events,
                  (std::vector<std::string>{"take over", "poll now", "poll now", "store"}));
        EXPECT_EQ(c.host.stored.MailPollTime, minutes);
        EXPECT_EQ(c.host.stored.SusMailPollTime, minutes);
        EXPECT_EQ(c.host.stored.MailHost, "tls:mail.example.org");
    }
}

TEST(ConfirmMailSettingsTest, TheFirstTickedPeriodOutOfRangeStopsEverything) {
    for (int32_t minutes : {4, 32768, -1}) {
        Confirmation c(1, minutes, 1, 40000);
        EXPECT_EQ(c.result, ConfirmResult::Refused);
        EXPECT_EQ(c.host.events, (std::vector<std::string>{"take over", "refuse"}));
    }
}

TEST(ConfirmMailSettingsTest, ASuspendPeriodOutOfRangeIsRefusedAfterPollNow) {
    Confirmation c(1, 10, 1, 4);
    EXPECT_EQ(c.result, ConfirmResult::Refused);
    EXPECT_EQ(c.host.events, (std::vector<std::string>{"take over", "poll now", "refuse"}));
}

TEST(ConfirmMailSettingsTest, AnUntickedPeriodIsNotTestedAndItsDefaultIsStoredAndKept) {
    Confirmation running(0, 40000, 1, 60);
    EXPECT_EQ(running.result, ConfirmResult::Confirmed);
    EXPECT_EQ(running.host.events, (std::vector<std::string>{"take over", "poll now", "store"}))
        << "suspend-time polling alone asks for a check too";
    EXPECT_EQ(running.host.stored.MailPollTime, 5);
    EXPECT_EQ(running.values.MailPollTime, 5);  // what the running program gets

    Confirmation suspend(1, 60, 0, 1);
    EXPECT_EQ(suspend.result, ConfirmResult::Confirmed);
    EXPECT_EQ(suspend.host.events, (std::vector<std::string>{"take over", "poll now", "store"}));
    EXPECT_EQ(suspend.host.stored.SusMailPollTime, 30);
    EXPECT_EQ(suspend.values.SusMailPollTime, 30);
}

TEST(ConfirmMailSettingsTest, ATakeOverThatStopsStoresTheHeldValuesAndKeepsTheDialogOpen) {
    MailDialogValues values = Sample();
    values.MailPollTime = 7;
    FakeConfirmHost host(values);
    host.controlsHoldWholeNumbers = false;
    EXPECT_EQ(ConfirmMailSettings(values, host), ConfirmResult::StoredButOpen);
    EXPECT_EQ(host.events,
              (std::vector<std::string>{"take over", "poll now", "poll now", "store"}));
    EXPECT_EQ(host.stored.MailPollTime, 7);
}

TEST(ConfirmMailSettingsTest, BoxValuesOtherThanZeroOrOneAreNeitherTestedNorDefaulted) {
    Confirmation c(2, 40000, 0, 1);
    EXPECT_EQ(c.result, ConfirmResult::Confirmed);
    EXPECT_EQ(c.host.stored.MailPollTime, 40000);
    EXPECT_EQ(c.host.stored.SusMailPollTime, 30);
}

}  // namespace
}  // namespace qp
