#include "mail/mail_watch_control.h"

namespace qp {

bool MailWatchControl::Wanted(const Settings& settings) const {
    return !asleep_ && port_.Available() && settings.MailPollEn == 1 &&
           settings.ServerType == vrxmail::kImap && settings.MailPushEn == 1;
}

void MailWatchControl::Start(const Settings& settings) {
    const vrxmail::MailRequest request{settings.ServerType,   settings.MailHost.c_str(),
                                       settings.MailUser.c_str(), settings.MailPwd.c_str(),
                                       settings.LastNewTimeStamp.c_str(), 0, nullptr};
    running_ = port_.Start(request) == 0;
}

void MailWatchControl::Wake(const Settings& settings) {
    asleep_ = false;
    if (!running_ && Wanted(settings)) Start(settings);
}

void MailWatchControl::Follow(const Settings& settings) {
    Stop();
    if (Wanted(settings)) Start(settings);
}

bool MailWatchControl::OnPower(PowerChange change, const Settings& settings) {
    switch (change) {
    case PowerChange::Suspending:
    case PowerChange::TimerWake:
        asleep_ = true;
        resumeChecked_ = false;
        Stop();
        return false;
    case PowerChange::ResumedAwake: {
        Wake(settings);
        // The automatic resume and the user's resume of one wake ask for one check.
        const bool check = !resumeChecked_ && settings.MailPollEn == 1;
        resumeChecked_ = true;
        return check;
    }
    case PowerChange::StaysAwake:
        // The wake's own check has just been reported: no other is needed.
        Wake(settings);
        return false;
    case PowerChange::None:
        break;
    }
    return false;
}

void MailWatchControl::Stop() {
    if (!running_) return;
    port_.Stop();
    running_ = false;
}

}  // namespace qp
