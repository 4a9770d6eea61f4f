// Loads VRXMail.DLL by name as the program does and watches an IMAP inbox, printing
//   pop3 <StartMailWatch's answer for a POP3 record>
//   started <StartMailWatch's answer>
//   event <n>           for every event told, as it comes
//   stopped <StopMailWatch's answer> <events told after it returned>
// Usage: vrxmail_wine_watch <dll-folder> <host[:port]> <user> <password> <seconds>
// It stops the watch at the first new-mail event, or after the seconds. Exit status 0 when
// new mail was told, from a thread of the library, and nothing after the stop.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <vrxmail/mail_request.h>

#include "library_caller.h"

namespace {

using StartMailWatchFn = int32_t(__cdecl*)(const vrxmail::MailRequest*,
                                           vrxmail::MailWatchCallback);
using StopMailWatchFn = int32_t(__cdecl*)();

Event* g_newMail = nullptr;
volatile LONG g_events = 0;
volatile LONG g_onCallerThread = 0;
DWORD g_callerThread = 0;

void __cdecl onEvent(int32_t event) {
  if (GetCurrentThreadId() == g_callerThread) InterlockedExchange(&g_onCallerThread, 1);
  InterlockedIncrement(&g_events);
  std::printf("event %ld\n", static_cast<long>(event));
  std::fflush(stdout);
  if (event == vrxmail::kWatchNewMail) SetEvent(g_newMail->get());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s dll-folder host user password seconds\n", argv[0]);
    return 2;
  }
  HMODULE library = loadLibraryFrom(argv[1]);
  if (library == nullptr) return 3;
  const auto start = entryPoint<StartMailWatchFn>(library, "StartMailWatch");
  const auto stop = entryPoint<StopMailWatchFn>(library, "StopMailWatch");
  if (!start || !stop) {
    std::printf("entry point missing\n");
    return 4;
  }
  Event newMail;
  g_newMail = &newMail;
  g_callerThread = GetCurrentThreadId();
  std::string host = argv[2];
  std::string user = argv[3];
  std::string password = argv[4];
  vrxmail::MailRequest request{vrxmail::kPop3, host.c_str(), user.c_str(), password.c_str(),
                               nullptr, 0, nullptr};
  std::printf("pop3 %ld\n", static_cast<long>(start(&request, onEvent)));
  request.serverType = vrxmail::kImap;
  const int32_t started = start(&request, onEvent);
  std::printf("started %ld\n", static_cast<long>(started));
  std::fflush(stdout);
  if (started != 0) return 5;
  // The library must have copied the texts.
  host.assign(host.size(), 'x');
  password.assign(password.size(), 'x');
  const bool told =
      WaitForSingleObject(newMail.get(), static_cast<DWORD>(std::atoi(argv[5])) * 1000) ==
      WAIT_OBJECT_0;
  const int32_t stopped = stop();
  const LONG atStop = InterlockedCompareExchange(&g_events, 0, 0);
  stop();  // a second stop is harmless
  const LONG after = InterlockedCompareExchange(&g_events, 0, 0) - atStop;
  std::printf("stopped %ld %ld\n", static_cast<long>(stopped), static_cast<long>(after));
  std::fflush(stdout);
  return told && after == 0 && g_onCallerThread == 0 ? 0 : 1;
}
