/* qpwindows: the top-level windows the slot tests look for besides the button bar,
 * read and driven from outside. One command per run; the answer is one JSON object
 * on stdout (texts with characters outside printable ASCII as \uXXXX).
 *
 *   tips                 visible tool tips: hwnd, pid, rect, text
 *   choosers             visible file choosers: hwnd, pid, title
 *   choose HWND PATH     types PATH into the chooser's file name box and presses OK
 *   cancel HWND          presses the chooser's Cancel
 *   menus                visible popup menus: hwnd, pid, rect
 *
 * Exit code: 0 done, 1 the window is gone, 2 usage. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define FILE_NAME_BOX 0x47C

static void PrintText(const char* text)
{
    putchar('"');
    for (; *text; text++) {
        unsigned char c = (unsigned char)*text;
        if (c == '"' || c == '\\')
            printf("\\%c", c);
        else if (c < 0x20 || c > 0x7E)
            printf("\\u%04x", c);
        else
            putchar(c);
    }
    putchar('"');
}

static void WindowText(HWND window, char* text, int size)
{
    DWORD_PTR ignored;
    text[0] = '\0';
    /* WM_GETTEXT rather than GetWindowText: a tool tip answers it with its tip. */
    SendMessageTimeoutA(window, WM_GETTEXT, (WPARAM)size, (LPARAM)text, SMTO_ABORTIFHUNG, 2000,
                        &ignored);
}

static int IsClass(HWND window, const char* name)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, name) == 0;
}

struct Listing {
    const char* kind;
    int count;
};

static void PrintCommon(HWND window, int* count)
{
    DWORD pid = 0;
    RECT rect;
    GetWindowThreadProcessId(window, &pid);
    GetWindowRect(window, &rect);
    printf("%s{\"hwnd\": %lu, \"pid\": %lu, \"rect\": [%ld, %ld, %ld, %ld]", *count ? ", " : "",
           (unsigned long)(ULONG_PTR)window, pid, rect.left, rect.top, rect.right, rect.bottom);
    (*count)++;
}

static BOOL CALLBACK ListWindow(HWND window, LPARAM param)
{
    struct Listing* listing = (struct Listing*)param;
    char text[1024];
    if (!IsWindowVisible(window))
        return TRUE;
    if (strcmp(listing->kind, "tips") == 0 && IsClass(window, "tooltips_class32")) {
        PrintCommon(window, &listing->count);
        WindowText(window, text, sizeof text);
        printf(", \"text\": ");
        PrintText(text);
        putchar('}');
    } else if (strcmp(listing->kind, "choosers") == 0 && IsClass(window, "#32770") &&
               GetDlgItem(window, FILE_NAME_BOX)) {
        PrintCommon(window, &listing->count);
        WindowText(window, text, sizeof text);
        printf(", \"title\": ");
        PrintText(text);
        putchar('}');
    } else if (strcmp(listing->kind, "menus") == 0 && IsClass(window, "#32768")) {
        PrintCommon(window, &listing->count);
        putchar('}');
    }
    return TRUE;
}

static int List(const char* kind)
{
    struct Listing listing = {kind, 0};
    printf("{\"%s\": [", kind);
    EnumWindows(ListWindow, (LPARAM)&listing);
    printf("]}\n");
    return 0;
}

static BOOL CALLBACK FindEdit(HWND window, LPARAM param)
{
    if (IsClass(window, "Edit")) {
        *(HWND*)param = window;
        return FALSE;
    }
    return TRUE;
}

static int Choose(HWND chooser, const char* path)
{
    HWND box, edit = NULL;
    if (!IsWindow(chooser) || !(box = GetDlgItem(chooser, FILE_NAME_BOX))) {
        printf("{\"error\": \"no chooser\"}\n");
        return 1;
    }
    /* The name box is a combo box holding an edit control; the edit keeps the text. */
    EnumChildWindows(box, FindEdit, (LPARAM)&edit);
    SendMessageA(edit ? edit : box, WM_SETTEXT, 0, (LPARAM)path);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    printf("{\"done\": true}\n");
    return 0;
}

static int Cancel(HWND chooser)
{
    if (!IsWindow(chooser)) {
        printf("{\"error\": \"no chooser\"}\n");
        return 1;
    }
    PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    printf("{\"done\": true}\n");
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 2 && (strcmp(argv[1], "tips") == 0 || strcmp(argv[1], "choosers") == 0 ||
                      strcmp(argv[1], "menus") == 0))
        return List(argv[1]);
    if (argc == 4 && strcmp(argv[1], "choose") == 0)
        return Choose((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 0), argv[3]);
    if (argc == 3 && strcmp(argv[1], "cancel") == 0)
        return Cancel((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 0));
    fprintf(stderr, "usage: qpwindows tips | choosers | menus | choose HWND PATH | cancel HWND\n");
    return 2;
}
