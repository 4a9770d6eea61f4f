/* touch_file: a program for the tests to launch. Each run leaves a new file beside
 * itself, NAME.run1, NAME.run2, ... (NAME is its own path), holding how it was shown
 * and what it was given:
 *
 *   show=N          the show command it was started with (-1 when none was given)
 *   args=TEXT       its command line after the program name
 *   started_us=T    when it began to run, on the clock of qpc_clock.h (for the benchmarks)
 *
 * Copies of it under other names (a stand-in media player, a slot's program) each keep
 * their own count. A GUI program, so that a hidden start shows nothing at all. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "qpc_clock.h"

/* The command line after the program name, whether that is quoted or not. */
static const char* Arguments(const char* line)
{
    if (*line == '"') {
        line = strchr(line + 1, '"');
        line = line ? line + 1 : "";
    } else {
        while (*line && *line != ' ' && *line != '\t')
            line++;
    }
    while (*line == ' ' || *line == '\t')
        line++;
    return line;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    const long long started = QpcMicroseconds();
    char self[MAX_PATH];
    char name[MAX_PATH + 32];
    STARTUPINFOA startup;
    int show;
    unsigned run;
    HANDLE file = INVALID_HANDLE_VALUE;
    char text[2048];
    DWORD written;

    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)showCommand;

    if (GetModuleFileNameA(NULL, self, sizeof self) == 0 || strlen(self) >= sizeof self - 1)
        return 1;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    /* CREATE_NEW makes the numbering safe when two copies start at once. */
    for (run = 1; run < 100000 && file == INVALID_HANDLE_VALUE; run++) {
        snprintf(name, sizeof name, "%s.run%u", self, run);
        file = CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return 1;
    }
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    snprintf(text, sizeof text, "show=%d\r\nstarted_us=%lld\r\nargs=%s\r\n", show, started,
             Arguments(GetCommandLineA()));
    WriteFile(file, text, (DWORD)strlen(text), &written, NULL);
    CloseHandle(file);
    return 0;
}
