#pragma once
// The mail settings dialog: polling while running and while suspended, the mail
// program and its parameter, and the mail server. Opened from the button bar.
#include <windows.h>

#include <functional>

#include "settings/registry_api.h"

namespace qp {

class TipControl;

// Runs the dialog modally over `owner`: first `saveRunning` (so that the registry holds
// the running settings), then the dialog; a confirmed dialog has stored its values and
// hands them to the running settings under their lock and wakes the mail worker. While
// the dialog is shown, another call only brings it to the front. True when confirmed.
bool OpenMailSettings(HWND owner, TipControl& tips, RegistryApi& registry,
                      const std::function<void()>& saveRunning);

}  // namespace qp
