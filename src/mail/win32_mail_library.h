#pragma once
// VRXMail.DLL, loaded at start-up from the program's folder and kept until the
// process ends.
#include <windows.h>

#include <vrxmail/mail_request.h>

#include "mail/mail_poll_ports.h"
#include "mail/mail_watch_control.h"

namespace qp {

// Loads the library and looks up its four entry points. On failure tells the user
// (owner owns the message) and returns false: "Unable to load VRXMAIL.DLL.\n Aborting !"
// or the message of the first missing entry point. The watch's two entry points are
// looked up after them; a library without them is used as it is, without a message.
bool LoadMailLibrary(HWND owner);

// At shutdown, once: GetMailAbort, which ends the network work of a check in progress.
// Its report, should it still come, is dropped by the report itself. Nothing when the
// library is not loaded.
void AbortMailChecks();

// The loaded library as the mail worker sees it.
class Win32MailLibrary : public MailLibraryPort {
public:
    bool HasGetNewMail() const override;
    int32_t GetNewMail(vrxmail::MailRequest* request) override;
};

// The library's watch; its notifications go to notify, on the watch's thread.
class Win32MailWatch : public MailWatchPort {
public:
    explicit Win32MailWatch(vrxmail::MailWatchCallback notify) : notify_(notify) {}
    bool Available() const override;
    int32_t Start(const vrxmail::MailRequest& request) override;
    void Stop() override;

private:
    const vrxmail::MailWatchCallback notify_;
};

}  // namespace qp
