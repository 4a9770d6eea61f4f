#include "mail/mail_report.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

MailReportSettings Settings(int32_t showMessage = 1, int32_t sound = 1, uint32_t minor = 1) {
    return {"2003/05/06 14:07", showMessage, sound, minor, "C:\\Media\\ding.wav"};
}

TEST(MailFailureTextTest, ListedCodesHaveTheirFixedTexts) {
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0001u)), "Bad command response (IMAP/POP3)");
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0100u)), "Invalid Search command response (IMAP)");
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0101u)), "Invalid Fetch command response (IMAP)");
    for (uint32_t code : {0xE00C0102u, 0xE00C0103u, 0xE00C0204u})
        EXPECT_EQ(MailFailureText(static_cast<int32_t>(code)), "Bad User Name or Password") << code;
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0200u)), "Invalid Retrieve command response (POP3)");
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0201u)), "Invalid List command response (POP3)");
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0202u)), "Invalid UIDL command response (POP3)");
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0203u)), "Invalid Statistics command response (POP3)");
}

TEST(MailFailureTextTest, SocketCodesCarryTheNumberBetweenBackslashSpaceAndL) {
    EXPECT_EQ(MailFailureText(10060), "A connection failed because of timeout. Err:\\ 10060L");
    EXPECT_EQ(MailFailureText(11001), "Host not found. Err:\\ 11001L");
    EXPECT_EQ(MailFailureText(10061), "Fail to get new emails. Err:\\ 10061L");
}

TEST(MailFailureTextTest, UnlistedCodesOfTheSeriesShowSignedDecimal) {
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0002u)),
              "Fail to get new emails. Err:\\ -536084478L");
    EXPECT_EQ(MailFailureText(static_cast<int32_t>(0xE00C0205u)),
              "Fail to get new emails. Err:\\ -536083963L");
    EXPECT_EQ(MailFailureText(-1), "Fail to get new emails. Err:\\ -1L");
}

TEST(PlanMailReportTest, AFailureOnlyReplacesTheStatusText) {
    MailReport report = PlanMailReport(7, 11001, Settings());
    EXPECT_EQ(report.statusText, "Host not found. Err:\\ 11001L");
    EXPECT_EQ(report.led, MailReport::Led::Keep);
    EXPECT_FALSE(report.balloon || report.sound || report.blink);
}

TEST(PlanMailReportTest, NoNewMailSwitchesTheLedOffAndTellsNothingElse) {
    MailReport report = PlanMailReport(0, 0, Settings());
    EXPECT_EQ(report.statusText, "You have 0 new emails, since 2003/05/06 14:07");
    EXPECT_EQ(report.led, MailReport::Led::Off);
    EXPECT_FALSE(report.balloon || report.sound || report.blink);
}

TEST(PlanMailReportTest, NewMailLightsTheLedAndNotifiesAsTheSettingsSay) {
    MailReport all = PlanMailReport(3, 0, Settings(1, 1));
    EXPECT_EQ(all.statusText, "You have 3 new emails, since 2003/05/06 14:07");
    EXPECT_EQ(all.led, MailReport::Led::On);
    EXPECT_TRUE(all.balloon && all.sound && all.blink);

    MailReport quiet = PlanMailReport(3, 0, Settings(0, 0));
    EXPECT_EQ(quiet.led, MailReport::Led::On);
    EXPECT_FALSE(quiet.balloon || quiet.sound);
    EXPECT_TRUE(quiet.blink);

    // Only exactly 1 turns them on.
    MailReport other = PlanMailReport(3, 0, Settings(2, 2));
    EXPECT_FALSE(other.balloon || other.sound);

    // Without a wave file the system would play a sound of its own.
    MailReportSettings noWave = Settings(1, 1);
    noWave.wavePath.clear();
    MailReport silent = PlanMailReport(3, 0, noWave);
    EXPECT_FALSE(silent.sound);
    EXPECT_TRUE(silent.balloon && silent.blink);
}

TEST(PlanMailReportTest, MinorVersionTenShowsNoBalloonButStillSoundsAndBlinks) {
    MailReport report = PlanMailReport(1, 0, Settings(1, 1, 10));
    EXPECT_FALSE(report.balloon);
    EXPECT_TRUE(report.sound && report.blink);
}

TEST(PlanMailReportTest, ANegativeCountIsNewMail) {
    MailReport report = PlanMailReport(-2, 0, Settings());
    EXPECT_EQ(report.statusText, "You have -2 new emails, since 2003/05/06 14:07");
    EXPECT_EQ(report.led, MailReport::Led::On);
    EXPECT_TRUE(report.blink);
}

}  // namespace
}  // namespace qp
