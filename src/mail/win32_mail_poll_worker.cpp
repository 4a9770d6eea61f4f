#include "mail/win32_mail_poll_worker.h"

#include <string>

#include "app/process_state.h"
#include "app/thread_wait.h"
#include "app/unique_handle.h"
#include "mail/mail_request.h"
#include "mail/win32_mail_library.h"
#include "mail/win32_mail_report.h"
#include "settings/settings.h"

namespace qp {

namespace {

// The period is whole minutes; a stored value below one minute would make the worker
// spin, and one above the longest period the settings allow would overflow.
constexpr int32_t kShortestPeriodMinutes = 1;
constexpr int32_t kLongestPeriodMinutes = 32767;

DWORD PollPeriodMs(int32_t minutes) {
    if (minutes < kShortestPeriodMinutes) minutes = kShortestPeriodMinutes;
    if (minutes > kLongestPeriodMinutes) minutes = kLongestPeriodMinutes;
    return static_cast<DWORD>(minutes) * 60000u;
}

class MailPollWorker {
public:
    bool Start() {
        if (thread_) return true;
        thread_.reset(CreateThread(nullptr, 0, &MailPollWorker::Main, this, 0, nullptr));
        return static_cast<bool>(thread_);
    }

    bool Stop(DWORD timeoutMs) {
        if (!thread_) return true;
        if (!WaitWhileAnsweringSentMessages(thread_.get(), timeoutMs)) return false;
        thread_.reset();
        return true;
    }

private:
    static DWORD WINAPI Main(void* self) { return static_cast<MailPollWorker*>(self)->Run(); }

    DWORD Run() {
        for (;;) {
            WaitForSingleObject(MailPollEvent.get(),
                                PollPeriodMs(TheSettings().Copy().MailPollTime));
            if (StopWorkers != 0) return 0;
            Settings settings = TheSettings().Copy();
            if (settings.MailPollEn == 0 && PollNow == 0) continue;
            if (PollBusy == 1) continue;
            StartCheck(std::move(settings));
        }
    }

    // The request points at the worker's own copies of the settings, which stay as
    // they are until the check has been reported.
    void StartCheck(Settings settings) {
        host_ = std::move(settings.MailHost);
        user_ = std::move(settings.MailUser);
        password_ = std::move(settings.MailPwd);
        since_ = std::move(settings.LastNewTimeStamp);
        request_ = {settings.ServerType, host_.c_str(), user_.c_str(), password_.c_str(),
                    since_.c_str(), 0, &MailCheckCallback};

        std::lock_guard<std::mutex> order(MailStatusOrder());
        PollBusy = 1;
        if (GetNewMail(&request_) == 0) {
            SetWindowTextA(StatusStrip, "Start to logon the server and get mails, please wait...");
        } else {
            // Nothing was started, so no report will come to clear the flag.
            PollBusy = 0;
        }
    }

    UniqueHandle thread_;
    MailRequest request_{};
    std::string host_, user_, password_, since_;
};

// Never destroyed: a worker that outlived the bounded wait at shutdown still uses it.
MailPollWorker& TheWorker() {
    static MailPollWorker* const worker = new MailPollWorker;
    return *worker;
}

}  // namespace

bool StartMailPollWorker() { return TheWorker().Start(); }
bool StopMailPollWorker(DWORD timeoutMs) { return TheWorker().Stop(timeoutMs); }

}  // namespace qp
