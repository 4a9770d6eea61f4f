// Loads VRXMail.DLL by name, resolves its four entry points, runs one check and prints
//   report <newCount> <resultCode>
//   header <GetMailHeader line>
// Usage: vrxmail_wine_check <dll-folder> <0|1> <host[:port]> <user> <password> <stamp> [abort-ms]
// With abort-ms (for a server that keeps the check waiting), a second start must be refused
// and GetMailAbort is called that long after the start. Exit status 0 when the contract held
// (one report, from a thread of the library).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <vrxmail/mail_request.h>

#include "library_caller.h"

namespace {

using GetNewMailFn = int32_t(__cdecl*)(const vrxmail::MailRequest*);
using GetMailAbortFn = int32_t(__cdecl*)();
using GetMailHeaderFn = int32_t(__cdecl*)(char*, int32_t);
using CancelCallBackFn = int32_t(__cdecl*)();

Event* g_reported = nullptr;
volatile LONG g_reports = 0;
DWORD g_callerThread = 0;
volatile LONG g_onCallerThread = 0;
int32_t g_count = 0;
int32_t g_result = 0;
// The thread that reported. Under Wine a process that ends while another of its threads
// is still on its way out may be killed instead of exiting with its code, so the program
// lets the reporting thread end first.
HANDLE g_reportingThread = nullptr;

void __cdecl onReport(int32_t newCount, int32_t resultCode) {
  if (GetCurrentThreadId() == g_callerThread) InterlockedExchange(&g_onCallerThread, 1);
  g_count = newCount;
  g_result = resultCode;
  InterlockedIncrement(&g_reports);
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                  &g_reportingThread, SYNCHRONIZE, FALSE, 0);
  SetEvent(g_reported->get());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr, "usage: %s dll-folder type host user password stamp [abort-ms]\n", argv[0]);
    return 2;
  }
  HMODULE library = loadLibraryFrom(argv[1]);
  if (library == nullptr) return 3;
  const auto getNewMail = entryPoint<GetNewMailFn>(library, "GetNewMail");
  const auto getMailAbort =
      entryPoint<GetMailAbortFn>(library, "GetMailAbort");
  const auto getMailHeader =
      entryPoint<GetMailHeaderFn>(library, "GetMailHeader");
  const auto cancelCallBack =
      entryPoint<CancelCallBackFn>(library, "CancelCallBack");
  if (!getNewMail || !getMailAbort || !getMailHeader || !cancelCallBack) {
    std::printf("entry point missing\n");
    return 4;
  }
  Event reported;
  g_reported = &reported;

  std::string host = argv[3];
  std::string user = argv[4];
  std::string password = argv[5];
  std::string stamp = argv[6];
  static vrxmail::MailRequest request;
  request.serverType = std::atoi(argv[2]);
  request.host = host.c_str();
  request.user = user.c_str();
  request.password = password.c_str();
  request.sinceStamp = stamp.c_str();
  request.reserved = 0;
  request.callback = onReport;

  g_callerThread = GetCurrentThreadId();
  const int32_t started = getNewMail(&request);
  if (started != 0) {
    std::printf("start refused %ld\n", static_cast<long>(started));
    return 5;
  }
  // The program may replace its texts during a check: the library must have copied them.
  host.assign(host.size(), 'x');
  user.assign(user.size(), 'x');
  password.assign(password.size(), 'x');
  int failures = 0;
  if (argc > 7) {
    // The server named for an abort is one that keeps the check outstanding.
    if (getNewMail(&request) == 0) {
      std::printf("second start accepted while outstanding\n");
      ++failures;
    }
    Sleep(static_cast<DWORD>(std::atoi(argv[7])));
    getMailAbort();
  }
  if (WaitForSingleObject(reported.get(), 120000) != WAIT_OBJECT_0) {
    std::printf("no report\n");
    return 6;
  }
  std::printf("report %ld %ld\n", static_cast<long>(g_count), static_cast<long>(g_result));
  char header[256];
  if (getMailHeader(header, sizeof header) > 0) std::printf("header %s\n", header);
  getMailAbort();
  if (InterlockedCompareExchange(&g_onCallerThread, 0, 0) != 0) {
    std::printf("report on the caller's thread\n");
    ++failures;
  }
  if (InterlockedCompareExchange(&g_reports, 0, 0) != 1) {
    std::printf("reports: %ld\n", static_cast<long>(g_reports));
    ++failures;
  }
  std::fflush(stdout);
  if (g_reportingThread != nullptr) {
    WaitForSingleObject(g_reportingThread, 10000);
    CloseHandle(g_reportingThread);
  }
  return failures == 0 ? 0 : 1;
}
