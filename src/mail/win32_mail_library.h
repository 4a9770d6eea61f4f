#pragma once
// VRXMail.DLL, loaded at start-up from the program's folder and kept until the
// process ends.
#include <windows.h>

#include "mail/mail_request.h"

namespace qp {

// Loads the library and looks up its four entry points. On failure tells the user
// (owner owns the message) and returns false: "Unable to load VRXMAIL.DLL.\n Aborting !"
// or the message of the first missing entry point.
bool LoadMailLibrary(HWND owner);

// 0 when the check has started; the library then reports it once through the
// request's callback.
int32_t GetNewMail(MailRequest* request);
// Abandons a check in progress; nothing when the library is not loaded.
void AbortMailCheck();

}  // namespace qp
