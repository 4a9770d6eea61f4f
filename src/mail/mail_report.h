#pragma once
// What the program makes of the mail library's report of one check.
#include <cstdint>
#include <string>

namespace qp {

// The status text of a failed check (resultCode not 0).
std::string MailFailureText(int32_t resultCode);
// "You have N new emails, since STAMP".
std::string NewMailText(int32_t newCount, const std::string& stamp);

struct MailReport {
    enum class Led { Keep, Off, On };
    std::string statusText;
    Led led = Led::Keep;
    bool balloon = false;  // with statusText as its text
    bool sound = false;
    bool blink = false;
};

struct MailReportSettings {
    std::string lastNewTimeStamp;
    int32_t showMessage = 0;
    int32_t sound = 0;
    uint32_t osMinorVersion = 0;  // 10: no balloons
    std::string wavePath;
};

// A failure only replaces the status text, so a lit LED stays lit through server
// errors. Any non-zero count, even a negative one, is new mail. Without a wave file
// nothing is played (the system would play a sound of its own instead).
MailReport PlanMailReport(int32_t newCount, int32_t resultCode, const MailReportSettings& settings);

}  // namespace qp
