#pragma once
// The process's watch of the mailbox. Its notifications ask the mail worker for a
// check, as if its period had ended; the check's report does the rest.
#include "mail/mail_watch_control.h"

namespace qp {

// The user-interface thread's control of the watch. Never destroyed: the library may
// still call its notification while the process ends.
MailWatchControl& TheMailWatch();

}  // namespace qp
