/* device_ioctl: one DeviceIoControl call on \\.\TZK0001 with buffers exactly as asked,
 * for tests that check what the device does with odd lengths.
 *
 *   device_ioctl CODE INPUT OUTPUT_LENGTH
 *
 * CODE is the control code; INPUT is the input bytes in hex ("-" for no input buffer,
 * "" for a zero-length buffer); OUTPUT_LENGTH the output buffer's size (0 with no
 * buffer). Prints one line: ok=0|1 error=N returned=N output=HEX (the whole output
 * buffer, which starts filled with 0xEE). Exit status 0 when the call was made, 1 when
 * the device could not be opened, 2 on a usage error. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int ParseHex(const char* text, unsigned char* out, DWORD room, DWORD* length)
{
    size_t digits = strlen(text);
    DWORD i;
    if (digits % 2 != 0 || digits / 2 > room)
        return 0;
    for (i = 0; i < digits / 2; i++) {
        unsigned int byte;
        if (sscanf(text + 2 * i, "%2x", &byte) != 1)
            return 0;
        out[i] = (unsigned char)byte;
    }
    *length = (DWORD)(digits / 2);
    return 1;
}

int main(int argc, char** argv)
{
    static unsigned char input[4096];
    static unsigned char output[4096];
    DWORD code, inLength = 0, outLength, returned = 0xFFFFFFFF, i;
    int useInput;
    HANDLE device;
    BOOL ok;

    if (argc != 4) {
        fputs("usage: device_ioctl CODE INPUT_HEX|- OUTPUT_LENGTH\n", stderr);
        return 2;
    }
    code = strtoul(argv[1], NULL, 0);
    useInput = strcmp(argv[2], "-") != 0;
    if (useInput && !ParseHex(argv[2], input, sizeof input, &inLength)) {
        fputs("device_ioctl: bad input bytes\n", stderr);
        return 2;
    }
    outLength = strtoul(argv[3], NULL, 0);
    if (outLength > sizeof output) {
        fputs("device_ioctl: output too long\n", stderr);
        return 2;
    }
    memset(output, 0xEE, sizeof output);

    device = CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        printf("open failed: error=%lu\n", GetLastError());
        return 1;
    }
    ok = DeviceIoControl(device, code, useInput ? input : NULL, inLength,
                         outLength ? output : NULL, outLength, &returned, NULL);
    printf("ok=%d error=%lu returned=%lu output=", ok ? 1 : 0, ok ? 0 : GetLastError(),
           (unsigned long)returned);
    for (i = 0; i < outLength; i++)
        printf("%02x", output[i]);
    printf("\n");
    CloseHandle(device);
    return 0;
}
