/* wake_cycle_timer: times suspend-time mail checks from inside the prefix, where a
 * millisecond clock and the program's windows and device are at hand. For each cycle it
 * sends the button bar the suspend query and then the automatic resume, and watches the
 * status strip and the device's command log every millisecond:
 *
 *   awake  from the resume broadcast to command 128 in the device's log
 *   check  from the "please wait" text (the check has started) to the report's LED
 *          command (the check has been reported)
 *
 * Usage: wake_cycle_timer BAR_HWND CYCLES. One line per cycle: "cycle N awake_ms check_ms",
 * or "cycle N missed" when the "please wait" text came and went between two looks. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "qpc_clock.h"
#include "tzk_ioctl.h"

#define STATUS_STRIP 1003
#define POWER_QUERY 128
#define LOG_WORDS 1024

static const char kStartText[] = "Start to logon the server and get mails, please wait...";

static double Now(void) { return (double)QpcMicroseconds() / 1000.0; }

/* The newest command of the log and how many there were; 0 commands: last is ~0. */
static unsigned long ReadLog(HANDLE device, unsigned long* last) {
    static unsigned long buffer[2 + LOG_WORDS];
    DWORD returned = 0;
    *last = ~0ul;
    if (!DeviceIoControl(device, IOCTL_TZK_READ_LOG, NULL, 0, buffer, sizeof buffer, &returned,
                         NULL))
        return 0;
    if (buffer[1] > 0) *last = buffer[2 + buffer[1] - 1];
    return buffer[0];
}

static int StatusIs(HWND strip, const char* text) {
    char shown[256] = "";
    DWORD_PTR ignored;
    SendMessageTimeoutA(strip, WM_GETTEXT, sizeof shown, (LPARAM)shown, SMTO_BLOCK, 1000, &ignored);
    return strcmp(shown, text) == 0;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: wake_cycle_timer BAR_HWND CYCLES\n");
        return 2;
    }
    HWND bar = (HWND)(ULONG_PTR)strtoul(argv[1], NULL, 0);
    int cycles = atoi(argv[2]);
    HWND strip = GetDlgItem(bar, STATUS_STRIP);
    HANDLE device = CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (!strip || device == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "no button bar or no device\n");
        return 1;
    }

    for (int n = 1; n <= cycles; ++n) {
        unsigned long last;
        unsigned long before = ReadLog(device, &last);
        DWORD_PTR ignored;
        SendMessageTimeoutA(bar, WM_POWERBROADCAST, 0, 0, SMTO_BLOCK, 5000, &ignored);
        const double resumed = Now();
        SendMessageTimeoutA(bar, WM_POWERBROADCAST, 18, 0, SMTO_BLOCK, 5000, &ignored);

        double started = -1, reported = -1, queried = -1;
        const double deadline = resumed + 60000;
        while (queried < 0 && Now() < deadline) {
            if (started < 0 && StatusIs(strip, kStartText)) started = Now();
            unsigned long total = ReadLog(device, &last);
            if (total > before) {
                /* The report's LED command, then the power query. */
                if (reported < 0) reported = Now();
                if (last == POWER_QUERY) queried = Now();
            }
            Sleep(1);
        }
        if (queried < 0) {
            fprintf(stderr, "cycle %d: no power query within 60 s\n", n);
            return 1;
        }
        if (started < 0)
            printf("cycle %d missed\n", n);
        else
            printf("cycle %d %.1f %.1f\n", n, queried - resumed, reported - started);
        fflush(stdout);
    }
    return 0;
}
