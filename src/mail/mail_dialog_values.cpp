#include "mail/mail_dialog_values.h"

namespace qp {

void TransferMailDialogValues(Direction direction, RegistryApi& registry, MailDialogValues& values) {
    RegistryKey key(registry, direction);
    key.OpenSubKey(kUserGroupKey);
    TransferMailSettings(key, values);
}

void DefaultUntickedPeriods(MailDialogValues& values) {
    if (values.MailPollEn == 0) values.MailPollTime = kDefaultMailPollTime;
    if (values.SusMailPollEn == 0) values.SusMailPollTime = kDefaultSusMailPollTime;
}

void CopyIntoSettings(const MailDialogValues& values, Settings& settings) {
    settings.MailHost = values.MailHost;
    settings.MailPgmParam = values.MailPgmParam;
    settings.MailProgram = values.MailProgram;
    settings.MailPwd = values.MailPwd;
    settings.MailUser = values.MailUser;
    settings.ServerType = values.ServerType;
    settings.SusMailPollEn = values.SusMailPollEn;
    settings.SusMailPollTime = values.SusMailPollTime;
    settings.MailPollTime = values.MailPollTime;
    settings.MailPollEn = values.MailPollEn;
}

}  // namespace qp
