/* bench_clock: the Windows side of the device benchmark, which takes its times where they
 * happen rather than where a poll from outside would notice them. Every time printed is on
 * the clock of qpc_clock.h, the clock the stand-in program (touch_file) writes its own
 * start on.
 *
 *   bench_clock press CODE     queues one press in \\.\TZK0001 and prints "pressed_us=T",
 *                              T taken just before the control call
 *   bench_clock open PATH      for each line read from stdin, opens PATH hidden through
 *                              the shell, as the program's hot-key worker does (COM
 *                              apartment, ShellExecuteA, SW_HIDE), and prints
 *                              "opened_us=T", T taken just before the call
 *   bench_clock start PATH [ARGUMENT]
 *                              starts PATH (its folder as current directory, ARGUMENT on
 *                              its command line), waits until a top-level window of that
 *                              process is visible and answers a message, prints
 *                              "shown_ms=M" measured from just before CreateProcess, then
 *                              ends the process and waits for its end
 *
 * Exit status 0 done, 1 failed (the message says why), 2 usage. */
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "qpc_clock.h"
#include "tzk_ioctl.h"

static const DWORD StartTimeoutMs = 30000;

static int Usage(void)
{
    fputs("usage: bench_clock press CODE | open PATH | start PATH [ARGUMENT]\n", stderr);
    return 2;
}

static int Press(const char* text)
{
    char* end;
    DWORD code = (DWORD)strtoul(text, &end, 0);
    DWORD returned;
    HANDLE device;
    long long pressed;
    BOOL done;
    if (*text == '\0' || *end != '\0')
        return Usage();
    device = CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "bench_clock: cannot open the device: error %lu\n", GetLastError());
        return 1;
    }
    pressed = QpcMicroseconds();
    done = DeviceIoControl(device, IOCTL_TZK_PRESS, &code, sizeof code, NULL, 0, &returned, NULL);
    CloseHandle(device);
    if (!done) {
        fprintf(stderr, "bench_clock: the press was refused: error %lu\n", GetLastError());
        return 1;
    }
    printf("pressed_us=%lld\n", pressed);
    return 0;
}

static int Open(const char* path)
{
    char line[64];
    HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    while (fgets(line, sizeof line, stdin)) {
        const long long opened = QpcMicroseconds();
        const INT_PTR result = (INT_PTR)ShellExecuteA(NULL, NULL, path, NULL, NULL, SW_HIDE);
        if (result <= 32) {
            fprintf(stderr, "bench_clock: ShellExecuteA gave %d\n", (int)result);
            return 1;
        }
        printf("opened_us=%lld\n", opened);
        fflush(stdout);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

struct WindowSearch {
    DWORD process;
    HWND found;
};

static BOOL CALLBACK FindShownWindow(HWND window, LPARAM context)
{
    struct WindowSearch* search = (struct WindowSearch*)context;
    DWORD process = 0;
    DWORD_PTR answer;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window))
        return TRUE;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer))
        return TRUE;
    search->found = window;
    return FALSE;
}

static int Start(const char* path, const char* argument)
{
    char folder[MAX_PATH];
    char line[2 * MAX_PATH];
    char* slash;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    struct WindowSearch search;
    long long started, shown;
    int status = 0;
    if (strlen(path) >= sizeof folder ||
        snprintf(line, sizeof line, "\"%s\" %s", path, argument) >= (int)sizeof line)
        return Usage();
    strcpy(folder, path);
    slash = strrchr(folder, '\\');
    if (slash)
        *slash = '\0';
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    started = QpcMicroseconds();
    if (!CreateProcessA(path, line, NULL, NULL, FALSE, 0, NULL, slash ? folder : NULL, &startup,
                        &process)) {
        fprintf(stderr, "bench_clock: cannot start %s: error %lu\n", path, GetLastError());
        return 1;
    }
    search.process = process.dwProcessId;
    search.found = NULL;
    for (;;) {
        EnumWindows(FindShownWindow, (LPARAM)&search);
        shown = QpcMicroseconds();
        if (search.found)
            break;
        if (WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0) {
            fprintf(stderr, "bench_clock: %s ended before it showed a window\n", path);
            status = 1;
            break;
        }
        if (shown - started > StartTimeoutMs * 1000LL) {
            fprintf(stderr, "bench_clock: %s showed no window within %lu ms\n", path,
                    StartTimeoutMs);
            status = 1;
            break;
        }
    }
    if (status == 0)
        printf("shown_ms=%.3f\n", (shown - started) / 1000.0);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, StartTimeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "press") == 0)
        return Press(argv[2]);
    if (argc == 3 && strcmp(argv[1], "open") == 0)
        return Open(argv[2]);
    if ((argc == 3 || argc == 4) && strcmp(argv[1], "start") == 0)
        return Start(argv[2], argc == 4 ? argv[3] : "");
    return Usage();
}
