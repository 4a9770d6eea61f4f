#pragma once
// The mail settings dialog's own copy of the ten mail settings: read from and written to
// the registry by the dialog itself, and handed to the running program on confirmation.
#include <cstdint>
#include <string>

#include "settings/mail_settings.h"
#include "settings/registry_api.h"
#include "settings/registry_key.h"
#include "settings/settings.h"

namespace qp {

// Texts empty and numbers 0 until loaded; a value missing from the registry keeps that.
struct MailDialogValues {
    int32_t MailPollTime = 0;
    int32_t SusMailPollTime = 0;
    int32_t ServerType = 0;
    std::string MailProgram;
    std::string MailHost;
    std::string MailPgmParam;
    int32_t MailPollEn = 0;
    std::string MailPwd;
    std::string MailUser;
    int32_t SusMailPollEn = 0;
};

// The ten values under HKCU\software\VRX\0.01, in one fixed order; nothing else is touched.
void TransferMailDialogValues(Direction direction, RegistryApi& registry, MailDialogValues& values);

// A period whose box is unticked is not shown; it opens with its default.
void DefaultUntickedPeriods(MailDialogValues& values);

// The write-back of a confirmed dialog into the running settings.
void CopyIntoSettings(const MailDialogValues& values, Settings& settings);

}  // namespace qp
