#pragma once
// The ten mail settings as they are stored: their names, their order under the user
// group's key, and the defaults of the two periods. The transfer of all settings and the
// mail settings dialog's own transfer both go through this one list.
#include <cstdint>

#include "settings/registry_key.h"

namespace qp {

constexpr char kUserGroupKey[] = "VRX\\0.01";
constexpr int32_t kDefaultMailPollTime = 5;
constexpr int32_t kDefaultSusMailPollTime = 30;

// Values is any record with the ten fields under their setting names.
template <class Values>
void TransferMailSettings(RegistryKey& key, Values& values) {
    key.TransferString("MailHost", values.MailHost);
    key.TransferString("MailPgmParam", values.MailPgmParam);
    key.TransferDword("MailPollEn", values.MailPollEn);
    key.TransferDword("MailPollTime", values.MailPollTime);
    key.TransferString("MailProgram", values.MailProgram);
    key.TransferString("MailPwd", values.MailPwd);
    key.TransferString("MailUser", values.MailUser);
    key.TransferDword("ServerType", values.ServerType);
    key.TransferDword("SusMailPollEn", values.SusMailPollEn);
    key.TransferDword("SusMailPollTime", values.SusMailPollTime);
}

}  // namespace qp
