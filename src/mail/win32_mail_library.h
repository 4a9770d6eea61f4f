#pragma once
// VRXMail.DLL, loaded at start-up from the program's folder and kept until the
// process ends.
#include <windows.h>

#include <vrxmail/mail_request.h>

#include "mail/mail_poll_ports.h"

namespace qp {

// Loads the library and looks up its four entry points. On failure tells the user
// (owner owns the message) and returns false: "Unable to load VRXMAIL.DLL.\n Aborting !"
// or the message of the first missing entry point.
bool LoadMailLibrary(HWND owner);

// At shutdown: abandons a check in progress and withdraws every report not yet begun,
// so that none reaches a window that is going away; nothing when the library is not
// loaded.
void AbandonMailChecks();

// The loaded library as the mail worker sees it.
class Win32MailLibrary : public MailLibraryPort {
public:
    bool HasGetNewMail() const override;
    int32_t GetNewMail(vrxmail::MailRequest* request) override;
};

}  // namespace qp
