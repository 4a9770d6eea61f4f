#include "app/tray_app.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>

#include "app/button_bar_dialog.h"
#include "shared/process_state.h"

namespace qp {

bool TrayApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);

    auto window = std::make_unique<ButtonBarDialog>();
    // Launches and file choosers run on this thread and need COM; it is never uninitialised.
    CoInitialize(nullptr);
    OsVersion.dwOSVersionInfoSize = sizeof OsVersion;
    GetVersionExA(&OsVersion);

    MailPollEvent.reset(CreateEventA(nullptr, FALSE, FALSE, "QPDMailPollingEvent"));
    // The event's name is the single-instance marker: a second start ends silently,
    // without waking or raising the running instance.
    if (GetLastError() == ERROR_ALREADY_EXISTS) return false;

    return window->RunModal() != IDCANCEL;
}

}  // namespace qp
