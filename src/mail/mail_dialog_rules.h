#pragma once
// The decisions of the mail settings dialog: the mail program's parameter and the
// confirmation of the polling periods.
#include <cstdint>
#include <string>

#include "mail/mail_dialog_values.h"

namespace qp {

constexpr int32_t kShortestPollPeriod = 5;
constexpr int32_t kLongestPollPeriod = 32767;
constexpr char kPeriodRangeMessage[] = "Please chose the number between 5 and 32767 !";

bool PeriodAccepted(int32_t minutes);

// The parameter that goes with a newly chosen mail program: "/mail" for a file named
// MSIMN.EXE and "/recycle" for OUTLOOK.EXE (any folder, any letter case); any other
// program keeps `current`.
std::string ParameterForProgram(const std::string& path, const std::string& current);

// What confirming needs from the dialog.
class MailConfirmHost {
public:
    virtual ~MailConfirmHost() = default;
    // Takes the control contents over into the values; false, after the prompt, when a
    // period field does not hold a whole number (that row and the later ones then keep
    // their values).
    virtual bool TakeOverControls() = 0;
    // Tells the user that a ticked period is outside kShortestPollPeriod..kLongestPollPeriod.
    virtual void RefusePeriod() = 0;
    // A ticked period passed: the worker is to check at once once the values have
    // reached the running settings.
    virtual void RequestPollNow() = 0;
    virtual void Store(const MailDialogValues& values) = 0;
};

enum class ConfirmResult {
    Refused,        // a ticked period is out of range: nothing stored
    StoredButOpen,  // stored, but the take-over stopped at a field that is no whole number
    Confirmed,      // stored; the dialog closes
};

// The control contents are taken over once, before anything is tested, so that the
// default of an unticked period is what is stored and what the running program gets.
// Only a ticked period is tested, and the first one out of range stops the test.
ConfirmResult ConfirmMailSettings(MailDialogValues& values, MailConfirmHost& host);

}  // namespace qp
