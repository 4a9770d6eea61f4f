#pragma once
// When the mail library's watch of the mailbox runs: with periodic polling on, an IMAP
// server and push not turned off (MailPushEn), while the machine is awake. It is started
// anew with the settings' values at start-up and after the mail settings dialog's OK,
// stopped at the suspend so that no connection is held across a sleep, not started for
// a wake by the timer (that machine goes back to sleep), started again when the machine
// resumes to stay awake, and stopped at Exit. Used on the user-interface thread only.
#include <cstdint>

#include <vrxmail/mail_request.h>

#include "settings/settings.h"

namespace qp {

// The library's watch, absent from a library with only the four entry points.
class MailWatchPort {
public:
    virtual ~MailWatchPort() = default;
    virtual bool Available() const = 0;
    // 0 when a watch was started; the library copies the texts before it returns.
    virtual int32_t Start(const vrxmail::MailRequest& request) = 0;
    // Returns once the watch, its connection and its thread have ended.
    virtual void Stop() = 0;
};

// The power broadcasts as the watch sees them.
// StaysAwake: a wake by the timer did not end in sleep (the device said so, or the system
// refused), so the machine is awake without a resume.
enum class PowerChange { None, Suspending, TimerWake, ResumedAwake, StaysAwake };

class MailWatchControl {
public:
    explicit MailWatchControl(MailWatchPort& port) : port_(port) {}

    // Start-up and the mail settings dialog's OK: the watch runs with these values, or
    // not at all.
    void Follow(const Settings& settings);
    // True when a check is to run at once: the first resume that keeps the machine
    // awake since it last went to sleep, with periodic polling on.
    bool OnPower(PowerChange change, const Settings& settings);
    // Exit.
    void Stop();

    bool Running() const { return running_; }

private:
    bool Wanted(const Settings& settings) const;
    void Start(const Settings& settings);
    // Awake again: the watch comes back unless it already runs.
    void Wake(const Settings& settings);

    MailWatchPort& port_;
    bool running_ = false;
    bool asleep_ = false;
    bool resumeChecked_ = false;
};

}  // namespace qp
