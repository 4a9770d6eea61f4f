#include "mail/mail_dialog_rules.h"

#include <cctype>

namespace qp {

namespace {

std::string UpperFileName(const std::string& path) {
    const size_t separator = path.find_last_of("\\/:");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// Tests a period whose box is ticked, or gives an unticked one its default. Other
// values of the box leave the period as it is.
bool SettlePeriod(int32_t enabled, int32_t& minutes, int32_t fallback, MailConfirmHost& host) {
    if (enabled == 0) minutes = fallback;
    if (enabled != 1) return true;
    if (PeriodAccepted(minutes)) return true;
    host.RefusePeriod();
    return false;
}

}  // namespace

bool PeriodAccepted(int32_t minutes) {
    return minutes >= kShortestPollPeriod && minutes <= kLongestPollPeriod;
}

std::string ParameterForProgram(const std::string& path, const std::string& current) {
    const std::string name = UpperFileName(path);
    if (name == "MSIMN.EXE") return "/mail";
    if (name == "OUTLOOK.EXE") return "/recycle";
    return current;
}

ConfirmResult ConfirmMailSettings(MailDialogValues& values, MailConfirmHost& host) {
    const bool complete = host.TakeOverControls();
    if (!SettlePeriod(values.MailPollEn, values.MailPollTime, kDefaultMailPollTime, host))
        return ConfirmResult::Refused;
    if (values.MailPollEn == 1) host.RequestPollNow();
    if (!SettlePeriod(values.SusMailPollEn, values.SusMailPollTime, kDefaultSusMailPollTime, host))
        return ConfirmResult::Refused;
    if (values.SusMailPollEn == 1) host.RequestPollNow();
    host.Store(values);
    return complete ? ConfirmResult::Confirmed : ConfirmResult::StoredButOpen;
}

}  // namespace qp
