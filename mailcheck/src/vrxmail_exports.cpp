#include "check_service.h"
#include "vrxmail.h"

using vrxmail::CheckService;

extern "C" {

int32_t VRXMAIL_CDECL GetNewMail(const vrxmail::MailRequest* request) {
  return CheckService::process().start(request);
}

int32_t VRXMAIL_CDECL GetMailAbort(void) {
  CheckService::process().abort();
  return 0;
}

int32_t VRXMAIL_CDECL GetMailHeader(char* buffer, int32_t size) {
  return CheckService::process().lastReport(buffer, size);
}

int32_t VRXMAIL_CDECL CancelCallBack(void) { return CheckService::process().cancelCallbacks(); }

}
