#include "mail/mail_defaults.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

TEST(DefaultMailProgramTest, OnlyTheDriveOfProgramFilesIsTaken) {
    EXPECT_EQ(DefaultMailProgram("D:\\Programme"), "D:\\Program Files\\Outlook Express\\MSIMN.EXE");
    EXPECT_EQ(DefaultMailProgram("C:\\Program Files"), "C:\\Program Files\\Outlook Express\\MSIMN.EXE");
    EXPECT_EQ(DefaultMailProgram(""), "C:\\Program Files\\Outlook Express\\MSIMN.EXE");
    EXPECT_EQ(DefaultMailProgram("nowhere"), ":\\Program Files\\Outlook Express\\MSIMN.EXE");
}

TEST(DefaultWavePathTest, IsTheNotifySoundOfTheWindowsDirectory) {
    EXPECT_EQ(DefaultWavePath("C:\\windows"), "C:\\windows\\Media\\notify.wav");
}

}  // namespace
}  // namespace qp
