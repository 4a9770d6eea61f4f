#include "mail/win32_mail_watch.h"

#include "mail/win32_mail_library.h"
#include "mail/win32_mail_poll_worker.h"
#include "shared/process_state.h"

namespace qp {

namespace {

// On the watch's thread. A server without IDLE leaves the periodic checks to do the
// work alone.
void VRXMAIL_CDECL MailWatchNotify(int32_t event) {
    if (StopWorkers != 0) return;
    if (event != vrxmail::kWatchNewMail && event != vrxmail::kWatchReconnected) return;
    Win32PollEvent pollEvent;
    TheCheckRequests().Ask(pollEvent);
}

}  // namespace

MailWatchControl& TheMailWatch() {
    static Win32MailWatch* const port = new Win32MailWatch(&MailWatchNotify);
    static MailWatchControl* const control = new MailWatchControl(*port);
    return *control;
}

}  // namespace qp
