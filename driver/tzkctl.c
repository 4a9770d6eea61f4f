/* tzkctl: plays the TZK0001 device's hardware side from the command line.
 *
 *   tzkctl press CODE...      queue button presses (read one per poll by the program)
 *   tzkctl log                the commands the device received, oldest first, one a line
 *   tzkctl state              led, volume, power-reply, pending, commands: one "name value" a line
 *   tzkctl power-reply VALUE  what command 128 answers from now on
 *   tzkctl clear              empty queue and log, LED off, volume unknown, power reply 0
 *
 * Exit status: 0 done, 1 the device is absent or refused the request, 2 usage. */
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tzk_ioctl.h"

static const char DevicePath[] = "\\\\.\\TZK0001";

static int Usage(void)
{
    fputs("usage: tzkctl press CODE... | log | state | power-reply VALUE | clear\n", stderr);
    return 2;
}

static void PrintError(const char* what, DWORD error)
{
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   text, sizeof text, NULL);
    text[strcspn(text, "\r\n")] = '\0';
    fprintf(stderr, "tzkctl: %s: error %lu %s\n", what, (unsigned long)error, text);
}

static HANDLE OpenDevice(void)
{
    HANDLE device = CreateFileA(DevicePath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            fprintf(stderr, "tzkctl: the device %s is absent: is the tzk0001 driver started?\n",
                    DevicePath);
        else
            PrintError("cannot open the device \\\\.\\TZK0001", error);
    }
    return device;
}

static int Control(HANDLE device, DWORD code, const char* what, void* in, DWORD inLength,
                   void* out, DWORD outLength, DWORD* returned)
{
    DWORD ignored;
    if (!DeviceIoControl(device, code, in, inLength, out, outLength,
                         returned ? returned : &ignored, NULL)) {
        PrintError(what, GetLastError());
        return 0;
    }
    return 1;
}

/* A decimal or 0x-prefixed number that fits 32 bits, and nothing else. */
static int ParseWord(const char* text, DWORD* value)
{
    char* end;
    unsigned long long parsed;
    if (*text == '\0' || *text == '-' || *text == '+')
        return 0;
    errno = 0;
    parsed = strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull)
        return 0;
    *value = (DWORD)parsed;
    return 1;
}

static int Press(HANDLE device, int count, char** codes)
{
    int i;
    DWORD code;
    for (i = 0; i < count; i++)
        if (!ParseWord(codes[i], &code)) {
            fprintf(stderr, "tzkctl: not a button code: %s\n", codes[i]);
            return 2;
        }
    for (i = 0; i < count; i++) {
        ParseWord(codes[i], &code);
        if (!Control(device, IOCTL_TZK_PRESS, "press", &code, sizeof code, NULL, 0, NULL))
            return 1;
    }
    return 0;
}

static int Log(HANDLE device)
{
    static ULONG buffer[sizeof(TZK_LOG) / sizeof(ULONG) + TZK_LOG_CAPACITY];
    TZK_LOG header;
    const ULONG* commands = buffer + sizeof header / sizeof(ULONG);
    DWORD returned = 0;
    ULONG i;
    if (!Control(device, IOCTL_TZK_READ_LOG, "log", NULL, 0, buffer, sizeof buffer, &returned))
        return 1;
    memcpy(&header, buffer, sizeof header);
    if (returned < sizeof header || header.Returned > TZK_LOG_CAPACITY ||
        returned < sizeof header + header.Returned * sizeof(ULONG)) {
        fprintf(stderr, "tzkctl: log: short answer from the device (%lu bytes)\n",
                (unsigned long)returned);
        return 1;
    }
    if (header.Total > header.Returned)
        fprintf(stderr, "tzkctl: log: the %lu oldest commands are no longer kept\n",
                header.Total - header.Returned);
    for (i = 0; i < header.Returned; i++)
        printf("%lu\n", commands[i]);
    return 0;
}

static int State(HANDLE device)
{
    TZK_STATE state;
    DWORD returned = 0;
    if (!Control(device, IOCTL_TZK_READ_STATE, "state", NULL, 0, &state, sizeof state, &returned))
        return 1;
    if (returned != sizeof state) {
        fprintf(stderr, "tzkctl: state: short answer from the device (%lu bytes)\n",
                (unsigned long)returned);
        return 1;
    }
    printf("led %lu\n", state.Led);
    if (state.VolumeLevel == TZK_LEVEL_UNKNOWN)
        printf("volume none\n");
    else
        printf("volume %lu\n", state.VolumeLevel);
    printf("power-reply %lu\n", state.PowerReply);
    printf("pending %lu\n", state.Pending);
    printf("commands %lu\n", state.Commands);
    return 0;
}

static int PowerReply(HANDLE device, const char* text)
{
    DWORD value;
    if (!ParseWord(text, &value)) {
        fprintf(stderr, "tzkctl: not a power reply: %s\n", text);
        return 2;
    }
    return Control(device, IOCTL_TZK_SET_POWER_REPLY, "power-reply", &value, sizeof value, NULL,
                   0, NULL) ? 0 : 1;
}

static int Run(HANDLE device, int argc, char** argv)
{
    const char* verb = argv[1];
    if (strcmp(verb, "press") == 0)
        return Press(device, argc - 2, argv + 2);
    if (strcmp(verb, "log") == 0)
        return Log(device);
    if (strcmp(verb, "state") == 0)
        return State(device);
    if (strcmp(verb, "power-reply") == 0)
        return PowerReply(device, argv[2]);
    return Control(device, IOCTL_TZK_CLEAR, "clear", NULL, 0, NULL, 0, NULL) ? 0 : 1;
}

static int ArgumentsFit(int argc, char** argv)
{
    const char* verb = argv[1];
    if (strcmp(verb, "press") == 0)
        return argc >= 3;
    if (strcmp(verb, "power-reply") == 0)
        return argc == 3;
    return argc == 2 && (strcmp(verb, "log") == 0 || strcmp(verb, "state") == 0 ||
                         strcmp(verb, "clear") == 0);
}

int main(int argc, char** argv)
{
    HANDLE device;
    int status;
    if (argc < 2 || !ArgumentsFit(argc, argv))
        return Usage();
    device = OpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return 1;
    status = Run(device, argc, argv);
    CloseHandle(device);
    return status;
}
