/* A mail library with the four entry points and no watch, which writes the name of every
   entry point called into calls.txt beside itself. GetMailHeader and CancelCallBack take
   arguments the program knows nothing of (stdcall, three of them): a caller that assumed
   their signatures would unbalance its stack. */
#include <windows.h>
#include <stdint.h>
#include <string.h>

static HMODULE self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

static void record(const char* name) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(self, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    char* slash = strrchr(path, '\\');
    if (!slash || (size_t)(slash + 1 - path) + sizeof "calls.txt" > sizeof path) return;
    strcpy(slash + 1, "calls.txt");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, name, (DWORD)strlen(name), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
    CloseHandle(file);
}

__declspec(dllexport) int32_t __cdecl GetNewMail(void* request) {
    (void)request;
    record("GetNewMail");
    return 1;
}
__declspec(dllexport) int32_t __cdecl GetMailAbort(void) {
    record("GetMailAbort");
    return 0;
}
__declspec(dllexport) int32_t __stdcall GetMailHeader(int32_t a, int32_t b, int32_t c) {
    (void)a, (void)b, (void)c;
    record("GetMailHeader");
    return 0;
}
__declspec(dllexport) int32_t __stdcall CancelCallBack(int32_t a, int32_t b, int32_t c) {
    (void)a, (void)b, (void)c;
    record("CancelCallBack");
    return 0;
}
