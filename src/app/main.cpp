#include <windows.h>

#include "app/tray_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    qp::TrayApp app;
    app.InitInstance();
    return 0;
}
