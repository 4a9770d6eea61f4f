/* bare_bar: the floor programs of the device benchmark, each doing only the part of the
 * resident program that cannot be left out.
 *
 *   bare_bar poll     reads a button code from \\.\TZK0001 four times a second, and
 *                     nothing else (the floor of the program's idle CPU time)
 *   bare_bar dialog   loads the system libraries the program imports, opens the mixer,
 *                     shows a dialog and runs it until it is closed (the floor of the
 *                     program's private memory and of its start-up)
 *   bare_tls_bar dialog-tls HOST PORT
 *                     the same program built with BARE_TLS: first one TLS handshake with
 *                     127.0.0.1:PORT, its certificate checked for HOST, then the dialog
 *                     (the floor of the program's private memory after a TLS check)
 *
 * Exit status 0 when ended normally, 1 when the device, the handshake or the dialog is
 * missing, 2 usage. The TLS floor is a program of its own, so that the plain floor maps
 * none of the TLS libraries. */
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <mmsystem.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tzk_ioctl.h"
#ifdef BARE_TLS
#include "bare_tls.h"
#endif

#define IDD_BARE 100

static int Poll(void)
{
    HANDLE device = CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "bare_bar: cannot open the device: error %lu\n", GetLastError());
        return 1;
    }
    for (;;) {
        DWORD code = 0, returned;
        Sleep(250);
        DeviceIoControl(device, IOCTL_TZK_READ_BUTTON, NULL, 0, &code, sizeof code, &returned,
                        NULL);
    }
}

static INT_PTR CALLBACK BareDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

static int Dialog(void)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    char folder[MAX_PATH];
    HKEY key;
    HMIXER mixer = NULL;
    INT_PTR ended;
    /* One cheap call into each library the program imports, so that each is loaded. */
    InitCommonControlsEx(&controls);
    CommDlgExtendedError();
    CoTaskMemFree(NULL);
    SHGetSpecialFolderPathA(NULL, folder, CSIDL_PROGRAM_FILES, FALSE);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key) == ERROR_SUCCESS)
        RegCloseKey(key);
    GetStockObject(DEFAULT_GUI_FONT);
    if (mixerGetNumDevs() > 0)
        mixerOpen(&mixer, 0, 0, 0, CALLBACK_NULL);
    ended = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_BARE), NULL, BareDialog, 0);
    if (mixer)
        mixerClose(mixer);
    return ended == -1 ? 1 : 0;
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "poll") == 0)
        return Poll();
    if (argc == 2 && strcmp(argv[1], "dialog") == 0)
        return Dialog();
#ifdef BARE_TLS
    if (argc == 4 && strcmp(argv[1], "dialog-tls") == 0) {
        if (!BareTlsHandshake(argv[2], (unsigned short)atoi(argv[3])))
            return 1;
        puts("handshake done"); /* the benchmark waits for this before it looks */
        fflush(stdout);
        return Dialog();
    }
#endif
    fputs("usage: bare_bar poll | dialog | dialog-tls HOST PORT\n", stderr);
    return 2;
}
