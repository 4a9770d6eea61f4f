// bare_chooser.exe: a window that does nothing but open the slots' file chooser, the
// program's own ChooseFileForBar, each time it gets a WM_COMMAND, and forget the answer.
// The soak measures it beside Quilpad.exe (soak_driver.exe "find TITLE", then "assign"
// and "kinds" as for the program): what grows here with every opening grows in the system
// libraries behind the chooser, not in the program, and is the floor the program's own
// figures are compared with.
#include <windows.h>

#include <ole2.h>

#include "ui/win32_file_chooser.h"

namespace {

constexpr char kClassName[] = "QuilpadBareChooser";
constexpr char kTitle[] = "Quilpad bare chooser";

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        qp::ChooseFileForBar();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The program's main thread, where its chooser runs, is an OLE apartment too.
    OleInitialize(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW, 100, 100, 300, 100,
                                nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    OleUninitialize();
    return 0;
}
