#include "mail/mail_report.h"

namespace qp {

namespace {

// The fixed texts; the codes are those the mail library reports.
const char* FixedFailureText(uint32_t code) {
    switch (code) {
    case 0xE00C0001u: return "Bad command response (IMAP/POP3)";
    case 0xE00C0100u: return "Invalid Search command response (IMAP)";
    case 0xE00C0101u: return "Invalid Fetch command response (IMAP)";
    case 0xE00C0102u:
    case 0xE00C0103u:
    case 0xE00C0204u: return "Bad User Name or Password";
    case 0xE00C0200u: return "Invalid Retrieve command response (POP3)";
    case 0xE00C0201u: return "Invalid List command response (POP3)";
    case 0xE00C0202u: return "Invalid UIDL command response (POP3)";
    case 0xE00C0203u: return "Invalid Statistics command response (POP3)";
    default: return nullptr;
    }
}

constexpr int32_t kTimedOut = 10060;
constexpr int32_t kHostNotFound = 11001;

std::string WithCode(const char* prefix, int32_t code) {
    return prefix + std::to_string(code) + "L";
}

}  // namespace

std::string MailFailureText(int32_t resultCode) {
    if (const char* fixed = FixedFailureText(static_cast<uint32_t>(resultCode))) return fixed;
    if (resultCode == kTimedOut)
        return WithCode("A connection failed because of timeout. Err:\\ ", resultCode);
    if (resultCode == kHostNotFound) return WithCode("Host not found. Err:\\ ", resultCode);
    return WithCode("Fail to get new emails. Err:\\ ", resultCode);
}

std::string NewMailText(int32_t newCount, const std::string& stamp) {
    return "You have " + std::to_string(newCount) + " new emails, since " + stamp;
}

MailReport PlanMailReport(int32_t newCount, int32_t resultCode, const MailReportSettings& settings) {
    MailReport report;
    if (resultCode != 0) {
        report.statusText = MailFailureText(resultCode);
        return report;
    }
    report.statusText = NewMailText(newCount, settings.lastNewTimeStamp);
    if (newCount == 0) {
        report.led = MailReport::Led::Off;
        return report;
    }
    report.led = MailReport::Led::On;
    report.balloon = settings.osMinorVersion != 10 && settings.showMessage == 1;
    report.sound = settings.sound == 1 && !settings.wavePath.empty();
    report.blink = true;
    return report;
}

}  // namespace qp
