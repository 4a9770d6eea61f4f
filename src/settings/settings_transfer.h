#pragma once
// Loads or saves the whole set of settings in one fixed order.
#include <string>

#include "settings/registry_api.h"
#include "settings/registry_key.h"
#include "settings/settings.h"

namespace qp {

// What a Load needs from the window and the clock.
class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    // Lock is exactly 1 after a Load of the machine group: tell the user and lock the
    // slots (message box, small buttons hidden, slot buttons refuse drops).
    virtual void ApplyLock() = 0;
    // The current local time as "%04d/%02d/%02d %02d:%02d".
    virtual std::string CurrentTimeStamp() = 0;
};

// Returns 0. On Load, a missing MailProgram value is a first run: the user group
// gets its first-run values and a nested Save writes the complete set.
int TransferSettings(Direction direction, SettingsStore& store, RegistryApi& registry,
                     SettingsHost& host);

// The tray toggles' own write of Sound or ShowMessage to HKCU\software\QPD\0.01.
void SaveTrayMirror(RegistryApi& registry, const char* name, int32_t value);

}  // namespace qp
