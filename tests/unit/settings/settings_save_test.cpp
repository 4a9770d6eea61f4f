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

class SettingsSaveTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(reg.OpenHandleCount(), 0u);
        EXPECT_EQ(reg.BadCloses(), 0);
        EXPECT_TRUE(host.lockCalls.empty());
    }

    int Save() { return TransferSettings(Direction::Save, store, reg, host); }

    FakeRegistry reg;
    SettingsStore store;
    FakeSettingsHost host{store};
};

TEST_F(SettingsSaveTest, WritesBothGroupsInTheirFixedOrderAndFlushesEachHive) {
    test::SetAll(store, test::SampleSettings());
    EXPECT_EQ(Save(), 0);

    const std::string m = std::string("Set ") + kMachine + ":";
    const std::string u = std::string("Set ") + kUser + ":";
    EXPECT_EQ(reg.Trace({RegOp::Open, RegOp::Create, RegOp::Set, RegOp::Flush, RegOp::Close}),
              (std::vector<std::string>{
                  "Open HKCU:software",
                  "Close HKCU\\Software",
                  "Open HKLM:software",
                  "Create HKLM\\Software:TZK\\VRX\\0.01",
                  m + "Param0 = sz \"-quiet\" (7)",
                  m + "Param1 = sz \"-quiet\" (7)",
                  m + "Param2 = sz \"-quiet\" (7)",
                  m + "Param3 = sz \"-quiet\" (7)",
                  m + "Param4 = sz \"-quiet\" (7)",
                  m + "ProgramFile0 = sz \"C:\\Tools\\one.exe\" (17)",
                  m + "ProgramFile1 = sz \"\" (1)",
                  m + "ProgramFile2 = sz \"two.exe\" (8)",
                  m + "ProgramFile3 = sz \"D:\\three four.exe\" (18)",
                  "Flush HKLM\\Software",
                  std::string("Close ") + kMachine,
                  "Close HKLM\\Software",
                  "Open HKCU:software",
                  "Create HKCU\\Software:VRX\\0.01",
                  u + "MailProgram = sz \"mailer.exe\" (11)",
                  u + "MailHost = sz \"mail.example.net\" (17)",
                  u + "MailPgmParam = sz \"/compose\" (9)",
                  u + "MailPollEn = dword 1 (4)",
                  u + "MailPollTime = dword 12 (4)",
                  u + "MailProgram = sz \"mailer.exe\" (11)",
                  u + "MailPwd = sz \"secret\" (7)",
                  u + "MailUser = sz \"someone\" (8)",
                  u + "ServerType = dword 1 (4)",
                  u + "SusMailPollEn = dword 1 (4)",
                  u + "SusMailPollTime = dword 90 (4)",
                  u + "LastNewTimeStamp = sz \"2023/11/30 23:59\" (17)",
                  u + "Sound = dword 1 (4)",
                  u + "ShowMessage = dword 0 (4)",
                  u + "Style = dword 3 (4)",
                  u + "WavePath = sz \"C:\\ding.wav\" (12)",
                  u + "WaveOption = dword 2 (4)",
                  u + "FloatStyleOption = dword 0 (4)",
                  u + "MailPushEn = dword 0 (4)",
                  "Flush HKCU\\Software",
                  std::string("Close ") + kUser,
                  "Close HKCU\\Software",
              }));
    EXPECT_TRUE(reg.CallsOf(RegOp::Query).empty());
}

TEST_F(SettingsSaveTest, AValueThatCannotBeWrittenIsSkipped) {
    test::SetAll(store, test::SampleSettings());
    reg.FailSet("MailProgram");
    Save();
    EXPECT_FALSE(reg.Get(kUser, "MailProgram"));
    EXPECT_EQ(reg.GetString(kUser, "MailHost"), "mail.example.net");
    EXPECT_EQ(reg.GetDword(kUser, "FloatStyleOption"), 0u);
    EXPECT_EQ(reg.ValueCount(kUser), 17u);
    EXPECT_EQ(reg.ValueCount(kMachine), 9u);
}

TEST_F(SettingsSaveTest, WithoutTheMachineHiveOnlyTheUserGroupIsWritten) {
    test::SetAll(store, test::SampleSettings());
    reg.DenyOpen(kHkeyLocalMachine);
    Save();
    EXPECT_FALSE(reg.KeyExists(kMachine));
    EXPECT_EQ(reg.ValueCount("HKLM\\Software"), 0u);
    EXPECT_EQ(reg.ValueCount(kUser), 18u);
    EXPECT_EQ(reg.GetDword(kUser, "Style"), 3u);
}

TEST_F(SettingsSaveTest, WhenSubKeysCannotBeCreatedValuesGoUnderSoftware) {
    test::SetAll(store, test::SampleSettings());
    reg.FailCreate();
    Save();
    EXPECT_FALSE(reg.KeyExists(kMachine));
    EXPECT_FALSE(reg.KeyExists(kUser));
    EXPECT_EQ(reg.GetString("HKLM\\Software", "Param4"), "-quiet");
    EXPECT_EQ(reg.GetString("HKLM\\Software", "ProgramFile3"), "D:\\three four.exe");
    EXPECT_EQ(reg.GetString("HKCU\\Software", "MailHost"), "mail.example.net");
    EXPECT_EQ(reg.GetDword("HKCU\\Software", "SusMailPollTime"), 90u);
}

TEST_F(SettingsSaveTest, TrayMirrorWritesOnlyItsOneValue) {
    SaveTrayMirror(reg, "Sound", 1);
    EXPECT_EQ(reg.Trace({RegOp::Open, RegOp::Create, RegOp::Set, RegOp::Flush, RegOp::Close}),
              (std::vector<std::string>{
                  "Open HKCU:software",
                  "Close HKCU\\Software",
                  "Open HKCU:software",
                  "Create HKCU\\Software:QPD\\0.01",
                  "Set HKCU\\Software\\QPD\\0.01:Sound = dword 1 (4)",
                  "Flush HKCU\\Software",
                  "Close HKCU\\Software\\QPD\\0.01",
                  "Close HKCU\\Software",
              }));
    EXPECT_FALSE(reg.KeyExists(kUser));
}

}  // namespace
}  // namespace qp
