/* Watches the device's command log and prints, for every mail-LED-on command (1) that
   reaches the device, the wall-clock time it was seen: "led <seconds since 1970>". The log
   is read every millisecond, so a figure is late by about that much at most. Runs until
   killed; a clear of the log (tzkctl clear) starts the count again. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "tzk_ioctl.h"

static double NowSeconds(void) {
    FILETIME now;
    ULARGE_INTEGER ticks;
    GetSystemTimeAsFileTime(&now);
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    /* 100 ns units since 1601 */
    return (double)(ticks.QuadPart - 116444736000000000ULL) / 1e7;
}

int main(void) {
    static ULONG buffer[(sizeof(TZK_LOG) / sizeof(ULONG)) + TZK_LOG_CAPACITY];
    HANDLE device = CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                OPEN_EXISTING, 0, NULL);
    ULONG seen = 0;
    if (device == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "led_watch: the device cannot be opened (%lu)\n", GetLastError());
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        TZK_LOG header;
        DWORD returned = 0;
        const ULONG* commands = buffer + sizeof header / sizeof(ULONG);
        if (!DeviceIoControl(device, IOCTL_TZK_READ_LOG, NULL, 0, buffer, sizeof buffer,
                             &returned, NULL) ||
            returned < sizeof header) {
            fprintf(stderr, "led_watch: the log cannot be read (%lu)\n", GetLastError());
            return 1;
        }
        memcpy(&header, buffer, sizeof header);
        if (header.Returned > TZK_LOG_CAPACITY ||
            returned < sizeof header + header.Returned * sizeof(ULONG))
            return 1;
        if (header.Total < seen) seen = 0;
        if (header.Total > seen) {
            /* The newest Returned commands are kept: those not seen yet are at the end. */
            ULONG fresh = header.Total - seen;
            ULONG i;
            if (fresh > header.Returned) fresh = header.Returned;
            for (i = header.Returned - fresh; i < header.Returned; i++) {
                if (commands[i] == 1) {
                    printf("led %.6f\n", NowSeconds());
                    fflush(stdout);
                }
            }
            seen = header.Total;
        }
        Sleep(1);
    }
}
