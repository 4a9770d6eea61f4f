#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_registry.h"
#include "fakes/fake_settings_host.h"
#include "settings/settings_transfer.h"
#include "settings_test_support.h"

namespace qp {
namespace {

using test::FakeRegistry;
using test::FakeSettingsHost;
using test::RegOp;

const char* const kMachine = "HKLM\\Software\\TZK\\VRX\\0.01";
const char* const kUser = "HKCU\\Software\\VRX\\0.01";

class SettingsLoadTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(reg.OpenHandleCount(), 0u);
        EXPECT_EQ(reg.BadCloses(), 0);
    }

    int Load() { return TransferSettings(Direction::Load, store, reg, host); }

    // A registry holding a complete set, as a Save of SampleSettings leaves it.
    void StoreSampleInRegistry() {
        SettingsStore source;
        test::SetAll(source, test::SampleSettings());
        FakeSettingsHost sourceHost{source};
        TransferSettings(Direction::Save, source, reg, sourceHost);
        reg.ClearLog();
    }

    FakeRegistry reg;
    SettingsStore store;
    FakeSettingsHost host{store};
};

TEST_F(SettingsLoadTest, ReadsBackWhatASaveWroteWithoutWritingAnything) {
    StoreSampleInRegistry();
    EXPECT_EQ(Load(), 0);

    Settings expected = test::SampleSettings();
    expected.Lock = 0;  // never saved
    test::ExpectMachineGroupEqual(expected, store.Values());
    test::ExpectUserGroupEqual(expected, store.Values());
    EXPECT_TRUE(reg.CallsOf(RegOp::Set).empty());
    EXPECT_TRUE(reg.CallsOf(RegOp::Flush).empty());
    EXPECT_EQ(host.stampCalls, 0);
    EXPECT_TRUE(host.lockCalls.empty());
}

TEST_F(SettingsLoadTest, FirstRunSetsTheUserDefaultsAndWritesACompleteSet) {
    Settings start = test::SampleSettings();
    start.Param.clear();
    start.ProgramFile = {};
    start.Lock = 0;
    test::SetAll(store, start);
    host.stamp = "2031/12/24 18:30";

    EXPECT_EQ(Load(), 0);

    const Settings& s = store.Values();
    EXPECT_EQ(s.MailProgram, "");
    EXPECT_EQ(s.MailHost, "");
    EXPECT_EQ(s.MailPgmParam, "/mail");
    EXPECT_EQ(s.MailPollEn, 0);
    EXPECT_EQ(s.MailPollTime, 5);
    EXPECT_EQ(s.MailPwd, "");
    EXPECT_EQ(s.MailUser, "");
    EXPECT_EQ(s.ServerType, 0);
    EXPECT_EQ(s.SusMailPollEn, 0);
    EXPECT_EQ(s.SusMailPollTime, 30);
    EXPECT_EQ(s.Sound, 0);
    EXPECT_EQ(s.ShowMessage, 1);
    EXPECT_EQ(s.Style, 1);
    EXPECT_EQ(s.WavePath, "");
    EXPECT_EQ(s.WaveOption, 0);
    EXPECT_EQ(s.FloatStyleOption, 1);
    EXPECT_EQ(s.MailPushEn, 1);
    EXPECT_EQ(s.LastNewTimeStamp, "2031/12/24 18:30");
    EXPECT_EQ(host.stampCalls, 1);

    for (const char* name : {"Param0", "Param1", "Param2", "Param3", "Param4", "ProgramFile0",
                             "ProgramFile1", "ProgramFile2", "ProgramFile3"})
        EXPECT_EQ(reg.GetString(kMachine, name), "") << name;
    EXPECT_EQ(reg.ValueCount(kMachine), 9u);

    for (const char* name : {"MailProgram", "MailHost", "MailPwd", "MailUser", "WavePath"})
        EXPECT_EQ(reg.GetString(kUser, name), "") << name;
    EXPECT_EQ(reg.GetString(kUser, "MailPgmParam"), "/mail");
    EXPECT_EQ(reg.GetString(kUser, "LastNewTimeStamp"), "2031/12/24 18:30");
    EXPECT_EQ(reg.GetDword(kUser, "MailPollEn"), 0u);
    EXPECT_EQ(reg.GetDword(kUser, "MailPollTime"), 5u);
    EXPECT_EQ(reg.GetDword(kUser, "ServerType"), 0u);
    EXPECT_EQ(reg.GetDword(kUser, "SusMailPollEn"), 0u);
    EXPECT_EQ(reg.GetDword(kUser, "SusMailPollTime"), 30u);
    EXPECT_EQ(reg.GetDword(kUser, "Sound"), 0u);
    EXPECT_EQ(reg.GetDword(kUser, "ShowMessage"), 1u);
    EXPECT_EQ(reg.GetDword(kUser, "Style"), 1u);
    EXPECT_EQ(reg.GetDword(kUser, "WaveOption"), 0u);
    EXPECT_EQ(reg.GetDword(kUser, "FloatStyleOption"), 1u);
    EXPECT_EQ(reg.GetDword(kUser, "MailPushEn"), 1u);
    EXPECT_EQ(reg.ValueCount(kUser), 18u);

    // Each hive is flushed by the nested Save only; the outer Load flushes nothing.
    EXPECT_EQ(reg.CallsOf(RegOp::Flush).size(), 2u);
}

TEST_F(SettingsLoadTest, FirstRunKeepsTheMachineGroupItRead) {
    reg.PutString(kMachine, "Param2", "-x");
    reg.PutString(kMachine, "ProgramFile1", "edit.exe");
    Load();
    EXPECT_EQ(store.Values().Param, "-x");
    EXPECT_EQ(reg.GetString(kMachine, "Param0"), "-x");
    EXPECT_EQ(reg.GetString(kMachine, "ProgramFile1"), "edit.exe");
    EXPECT_EQ(reg.GetString(kUser, "MailPgmParam"), "/mail");
}

TEST_F(SettingsLoadTest, AnUnopenableUserHiveIsAFirstRun) {
    test::SetAll(store, test::SampleSettings());
    reg.DenyOpen(kHkeyCurrentUser);
    Load();
    EXPECT_EQ(store.Values().MailHost, "");
    EXPECT_EQ(store.Values().SusMailPollTime, 30);
    EXPECT_EQ(reg.GetString(kMachine, "Param3"), "-quiet");
    EXPECT_FALSE(reg.KeyExists(kUser));
}

TEST_F(SettingsLoadTest, TheLastParamPresentWinsAndIsSavedUnderAllFive) {
    reg.PutString(kMachine, "Param0", "first");
    reg.PutString(kMachine, "Param4", "last");
    reg.PutString(kUser, "MailProgram", "m.exe");
    Load();
    EXPECT_EQ(store.Values().Param, "last");

    TransferSettings(Direction::Save, store, reg, host);
    for (const char* name : {"Param0", "Param1", "Param2", "Param3", "Param4"})
        EXPECT_EQ(reg.GetString(kMachine, name), "last") << name;
}

TEST_F(SettingsLoadTest, LockOneAppliesTheLockOnceAfterTheMachineGroupIsCommitted) {
    StoreSampleInRegistry();
    reg.PutDword(kMachine, "Lock", 1);
    Load();
    ASSERT_EQ(host.lockCalls.size(), 1u);
    const Settings& seen = host.lockCalls[0];
    EXPECT_EQ(seen.Lock, 1);
    EXPECT_EQ(seen.Param, "-quiet");
    EXPECT_EQ(seen.ProgramFile, test::SampleSettings().ProgramFile);
    EXPECT_EQ(seen.MailHost, "");  // the user group comes after
    EXPECT_EQ(store.Values().MailHost, "mail.example.net");
}

TEST_F(SettingsLoadTest, OnlyLockOneAppliesTheLock) {
    StoreSampleInRegistry();
    Load();
    EXPECT_TRUE(host.lockCalls.empty());
    EXPECT_EQ(store.Values().Lock, 0);

    reg.PutDword(kMachine, "Lock", 2);
    Load();
    EXPECT_TRUE(host.lockCalls.empty());
    EXPECT_EQ(store.Values().Lock, 2);
}

TEST_F(SettingsLoadTest, ChangesMadeWhileTheLockMessageIsUpSurvive) {
    reg.PutDword(kMachine, "Lock", 1);
    reg.PutString(kUser, "MailProgram", "m.exe");
    host.duringLock = [this] { store.Modify([](Settings& s) { s.Sound = 1; }); };
    Load();
    EXPECT_EQ(store.Values().Sound, 1);
    EXPECT_EQ(store.Values().MailProgram, "m.exe");
}

TEST_F(SettingsLoadTest, SettingsOfAnEarlierVersionKeepPushOn) {
    reg.PutString(kUser, "MailProgram", "m.exe");
    reg.PutDword(kUser, "MailPollEn", 1);
    Load();
    EXPECT_EQ(store.Values().MailPollEn, 1);
    EXPECT_EQ(store.Values().MailPushEn, 1);
}

TEST_F(SettingsLoadTest, MailProgramOfAnotherTypeIsNoFirstRun) {
    StoreSampleInRegistry();
    reg.PutString(kUser, "MailProgram", "%ProgramFiles%\\mail.exe", kRegExpandSz);
    test::SetAll(store, Settings{});
    store.Modify([](Settings& s) { s.MailProgram = "before"; });
    Load();
    EXPECT_EQ(store.Values().MailProgram, "before");
    EXPECT_EQ(store.Values().MailHost, "mail.example.net");
    EXPECT_EQ(store.Values().FloatStyleOption, 0);
    EXPECT_EQ(host.stampCalls, 0);
    EXPECT_TRUE(reg.CallsOf(RegOp::Set).empty());
}

TEST_F(SettingsLoadTest, ANumberStoredAsTextIsIgnored) {
    StoreSampleInRegistry();
    reg.PutString(kUser, "Style", "2");
    store.Modify([](Settings& s) { s.Style = 7; });
    Load();
    EXPECT_EQ(store.Values().Style, 7);
    EXPECT_EQ(store.Values().WavePath, "C:\\ding.wav");
}

TEST_F(SettingsLoadTest, WithoutTheMachineHiveMachineSettingsStayAndUserSettingsLoad) {
    StoreSampleInRegistry();
    reg.PutDword(kMachine, "Lock", 1);
    reg.PutString(kMachine, "Param0", "from registry");
    reg.DenyOpen(kHkeyLocalMachine);
    store.Modify([](Settings& s) { s.Param = "kept"; s.ProgramFile[2] = "kept.exe"; });
    Load();
    EXPECT_EQ(store.Values().Param, "kept");
    EXPECT_EQ(store.Values().ProgramFile[2], "kept.exe");
    EXPECT_EQ(store.Values().Lock, 0);
    EXPECT_TRUE(host.lockCalls.empty());
    EXPECT_EQ(store.Values().MailUser, "someone");
}

TEST_F(SettingsLoadTest, WhenSubKeysCannotBeCreatedValuesAreReadFromSoftware) {
    reg.PutString("HKLM\\Software", "Param1", "direct");
    reg.PutString("HKCU\\Software", "MailProgram", "m.exe");
    reg.PutDword("HKCU\\Software", "MailPollTime", 42);
    reg.FailCreate();
    Load();
    EXPECT_EQ(store.Values().Param, "direct");
    EXPECT_EQ(store.Values().MailProgram, "m.exe");
    EXPECT_EQ(store.Values().MailPollTime, 42);
    EXPECT_EQ(host.stampCalls, 0);
}

}  // namespace
}  // namespace qp
