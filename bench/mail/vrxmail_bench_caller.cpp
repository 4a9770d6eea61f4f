// Times VRXMail.DLL as the program calls it: from GetNewMail until the report arrives on the
// library's thread, for a first check (the process's memories are empty) and then a re-check.
//   vrxmail_bench_caller DLL-FOLDER 0|1 HOST-TEXT USER PASSWORD STAMP
// prints "first <ms> <count>" and "recheck <ms> <count>". Exit status 0 when both checks
// reported result 0 with the same count; 1 otherwise (the reason on stderr); 2 usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <vrxmail/mail_request.h>

namespace {

using GetNewMailFn = int32_t(__cdecl*)(const vrxmail::MailRequest*);

HANDLE g_reported = nullptr;
LARGE_INTEGER g_reportedAt;
int32_t g_count = 0;
int32_t g_result = 0;
// The thread of the last report. Under Wine a process that ends while another of its threads
// is still on its way out may be killed instead of exiting with its code, so main lets it end.
HANDLE g_reportingThread = nullptr;

void __cdecl onReport(int32_t newCount, int32_t resultCode) {
  QueryPerformanceCounter(&g_reportedAt);
  g_count = newCount;
  g_result = resultCode;
  if (g_reportingThread != nullptr) CloseHandle(g_reportingThread);
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                  &g_reportingThread, SYNCHRONIZE, FALSE, 0);
  SetEvent(g_reported);
}

// One check: milliseconds from the call to the report, or a negative number on failure.
double timedCheck(GetNewMailFn getNewMail, const vrxmail::MailRequest& request) {
  LARGE_INTEGER frequency, start;
  QueryPerformanceFrequency(&frequency);
  ResetEvent(g_reported);
  QueryPerformanceCounter(&start);
  const int32_t started = getNewMail(&request);
  if (started != 0) {
    std::fprintf(stderr, "GetNewMail refused the check: %ld\n", static_cast<long>(started));
    return -1;
  }
  if (WaitForSingleObject(g_reported, 120000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "no report within 120 s\n");
    return -1;
  }
  if (g_result != 0) {
    std::fprintf(stderr, "the check reported result %ld\n", static_cast<long>(g_result));
    return -1;
  }
  return static_cast<double>(g_reportedAt.QuadPart - start.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: %s dll-folder type host user password stamp\n", argv[0]);
    return 2;
  }
  SetDllDirectoryA(argv[1]);
  HMODULE library = LoadLibraryA("VRXMail.DLL");
  if (library == nullptr) {
    std::fprintf(stderr, "VRXMail.DLL did not load: %lu\n", GetLastError());
    return 1;
  }
  // Through void(*)(): the entry point's real type is not FARPROC's.
  const auto getNewMail = reinterpret_cast<GetNewMailFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "GetNewMail")));
  g_reported = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (getNewMail == nullptr || g_reported == nullptr) {
    std::fprintf(stderr, "no GetNewMail entry point\n");
    return 1;
  }
  vrxmail::MailRequest request{};
  request.serverType = std::atoi(argv[2]);
  request.host = argv[3];
  request.user = argv[4];
  request.password = argv[5];
  request.sinceStamp = argv[6];
  request.callback = onReport;

  const double first = timedCheck(getNewMail, request);
  if (first < 0) return 1;
  const int32_t count = g_count;
  const double recheck = timedCheck(getNewMail, request);
  if (recheck < 0) return 1;
  if (g_count != count) {
    std::fprintf(stderr, "the re-check found %ld, the first check %ld\n",
                 static_cast<long>(g_count), static_cast<long>(count));
    return 1;
  }
  std::printf("first %.2f %ld\nrecheck %.2f %ld\n", first, static_cast<long>(count), recheck,
              static_cast<long>(count));
  std::fflush(stdout);
  if (g_reportingThread != nullptr) WaitForSingleObject(g_reportingThread, 10000);
  return 0;
}
