#include "settings/settings_transfer.h"

#include "settings/mail_settings.h"

namespace qp {
namespace {

const char* const kMachineKey = "TZK\\VRX\\0.01";
const char* const kTrayMirrorKey = "QPD\\0.01";

void TransferMachineGroup(RegistryKey& key, Settings& s) {
    // One text kept five times over; on Load the last value present wins.
    for (const char* name : {"Param0", "Param1", "Param2", "Param3", "Param4"})
        key.TransferString(name, s.Param);

    const char* const programNames[] = {"ProgramFile0", "ProgramFile1", "ProgramFile2",
                                        "ProgramFile3"};
    for (size_t slot = 0; slot < s.ProgramFile.size(); ++slot)
        key.TransferString(programNames[slot], s.ProgramFile[slot]);

    // Lock is set by an administrator, never by the program.
    if (key.direction() == Direction::Load) key.TransferDword("Lock", s.Lock);
}

// The user group after MailProgram, which is read first on its own to detect a first run.
void TransferUserGroupRest(RegistryKey& key, Settings& s) {
    TransferMailSettings(key, s);
    key.TransferString("LastNewTimeStamp", s.LastNewTimeStamp);
    key.TransferDword("Sound", s.Sound);
    key.TransferDword("ShowMessage", s.ShowMessage);
    key.TransferDword("Style", s.Style);
    key.TransferString("WavePath", s.WavePath);
    key.TransferDword("WaveOption", s.WaveOption);
    key.TransferDword("FloatStyleOption", s.FloatStyleOption);
    key.TransferDword("MailPushEn", s.MailPushEn);
}

void SetFirstRunUserValues(Settings& s, std::string timeStamp) {
    s.MailProgram.clear();
    s.MailHost.clear();
    s.MailPgmParam = "/mail";
    s.MailPollEn = 0;
    s.MailPollTime = kDefaultMailPollTime;
    s.MailPwd.clear();
    s.MailUser.clear();
    s.ServerType = 0;
    s.SusMailPollEn = 0;
    s.SusMailPollTime = kDefaultSusMailPollTime;
    s.Sound = 0;
    s.ShowMessage = 1;
    s.Style = 1;
    s.WavePath.clear();
    s.WaveOption = 0;
    s.FloatStyleOption = 1;
    s.MailPushEn = 1;
    s.LastNewTimeStamp = std::move(timeStamp);
}

void Commit(SettingsStore& store, const Settings& working) {
    store.Modify([&working](Settings& values) { values = working; });
}

int Save(SettingsStore& store, RegistryApi& registry) {
    Settings s = store.Copy();
    RegistryKey key(registry, Direction::Save);
    key.SetRoot(kHkeyLocalMachine);
    key.OpenSubKey(kMachineKey);
    TransferMachineGroup(key, s);

    key.SetRoot(kHkeyCurrentUser);
    key.OpenSubKey(kUserGroupKey);
    key.TransferString("MailProgram", s.MailProgram);
    TransferUserGroupRest(key, s);
    return 0;
}

int Load(SettingsStore& store, RegistryApi& registry, SettingsHost& host) {
    RegistryKey key(registry, Direction::Load);
    key.SetRoot(kHkeyLocalMachine);
    key.OpenSubKey(kMachineKey);
    Settings machine = store.Copy();
    TransferMachineGroup(key, machine);
    Commit(store, machine);
    // ApplyLock runs a modal loop, so the window may change settings meanwhile;
    // the user group therefore starts again from a fresh copy.
    if (machine.Lock == 1) host.ApplyLock();

    key.SetRoot(kHkeyCurrentUser);
    key.OpenSubKey(kUserGroupKey);
    Settings user = store.Copy();
    if (key.TransferString("MailProgram", user.MailProgram) != kErrorSuccess) {
        SetFirstRunUserValues(user, host.CurrentTimeStamp());
        Commit(store, user);
        return Save(store, registry);
    }
    TransferUserGroupRest(key, user);
    Commit(store, user);
    return 0;
}

}  // namespace

int TransferSettings(Direction direction, SettingsStore& store, RegistryApi& registry,
                     SettingsHost& host) {
    return direction == Direction::Load ? Load(store, registry, host) : Save(store, registry);
}

void SaveTrayMirror(RegistryApi& registry, const char* name, int32_t value) {
    RegistryKey key(registry, Direction::Save);
    key.SetRoot(kHkeyCurrentUser);
    key.OpenSubKey(kTrayMirrorKey);
    key.TransferDword(name, value);
}

}  // namespace qp
