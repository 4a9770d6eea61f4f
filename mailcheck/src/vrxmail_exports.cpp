#include "check_service.h"
#include "watch_service.h"
#include "vrxmail/vrxmail.h"

using vrxmail::CheckService;
using vrxmail::WatchService;

namespace {

// No C++ exception crosses the exported functions: a failure inside gives the fallback.
template <typename Call>
int32_t guarded(int32_t fallback, Call call) noexcept {
  try {
    return call();
  } catch (...) {
    return fallback;
  }
}

}  // namespace

extern "C" {

int32_t VRXMAIL_CDECL GetNewMail(const vrxmail::MailRequest* request) {
  return guarded(vrxmail::kStartNoThread,
                 [request] { return CheckService::process().start(request); });
}

int32_t VRXMAIL_CDECL GetMailAbort(void) {
  return guarded(0, [] {
    CheckService::process().abort();
    return 0;
  });
}

int32_t VRXMAIL_CDECL GetMailHeader(char* buffer, int32_t size) {
  return guarded(-1, [buffer, size] { return CheckService::process().lastReport(buffer, size); });
}

int32_t VRXMAIL_CDECL CancelCallBack(void) {
  return guarded(0, [] { return CheckService::process().cancelCallbacks(); });
}

int32_t VRXMAIL_CDECL StartMailWatch(const vrxmail::MailRequest* request,
                                     vrxmail::MailWatchCallback notify) {
  return guarded(vrxmail::kStartNoThread,
                 [request, notify] { return WatchService::process().start(request, notify); });
}

int32_t VRXMAIL_CDECL StopMailWatch(void) {
  return guarded(0, [] {
    WatchService::process().stop();
    return 0;
  });
}

}
