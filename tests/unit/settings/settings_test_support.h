#pragma once
// A full set of settings where every field differs from its default and from its
// first-run value, and a field-by-field comparison that names the field at fault.
#include <gtest/gtest.h>

#include "settings/settings.h"

namespace qp::test {

inline Settings SampleSettings() {
    Settings s;
    s.Param = "-quiet";
    s.ProgramFile = {"C:\\Tools\\one.exe", "", "two.exe", "D:\\three four.exe"};
    s.Lock = 1;
    s.MailProgram = "mailer.exe";
    s.MailHost = "mail.example.net";
    s.MailPgmParam = "/compose";
    s.MailPollEn = 1;
    s.MailPollTime = 12;
    s.MailPwd = "secret";
    s.MailUser = "someone";
    s.ServerType = 1;
    s.SusMailPollEn = 1;
    s.SusMailPollTime = 90;
    s.LastNewTimeStamp = "2023/11/30 23:59";
    s.Sound = 1;
    s.ShowMessage = 0;
    s.Style = 3;
    s.WavePath = "C:\\ding.wav";
    s.WaveOption = 2;
    s.FloatStyleOption = 0;
    s.MailPushEn = 0;
    return s;
}

inline void ExpectMachineGroupEqual(const Settings& expected, const Settings& actual) {
    EXPECT_EQ(actual.Param, expected.Param);
    EXPECT_EQ(actual.ProgramFile, expected.ProgramFile);
    EXPECT_EQ(actual.Lock, expected.Lock);
}

inline void ExpectUserGroupEqual(const Settings& expected, const Settings& actual) {
    EXPECT_EQ(actual.MailProgram, expected.MailProgram);
    EXPECT_EQ(actual.MailHost, expected.MailHost);
    EXPECT_EQ(actual.MailPgmParam, expected.MailPgmParam);
    EXPECT_EQ(actual.MailPollEn, expected.MailPollEn);
    EXPECT_EQ(actual.MailPollTime, expected.MailPollTime);
    EXPECT_EQ(actual.MailPwd, expected.MailPwd);
    EXPECT_EQ(actual.MailUser, expected.MailUser);
    EXPECT_EQ(actual.ServerType, expected.ServerType);
    EXPECT_EQ(actual.SusMailPollEn, expected.SusMailPollEn);
    EXPECT_EQ(actual.SusMailPollTime, expected.SusMailPollTime);
    EXPECT_EQ(actual.LastNewTimeStamp, expected.LastNewTimeStamp);
    EXPECT_EQ(actual.Sound, expected.Sound);
    EXPECT_EQ(actual.ShowMessage, expected.ShowMessage);
    EXPECT_EQ(actual.Style, expected.Style);
    EXPECT_EQ(actual.WavePath, expected.WavePath);
    EXPECT_EQ(actual.WaveOption, expected.WaveOption);
    EXPECT_EQ(actual.FloatStyleOption, expected.FloatStyleOption);
    EXPECT_EQ(actual.MailPushEn, expected.MailPushEn);
}

inline void SetAll(SettingsStore& store, const Settings& values) {
    store.Modify([&values](Settings& s) { s = values; });
}

}  // namespace qp::test
