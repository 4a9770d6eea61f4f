#pragma once
// Everything the program remembers between runs, as one record, and the one
// process-wide store that holds it.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace qp {

struct Settings {
    // Machine group (HKLM\software\TZK\VRX\0.01).
    std::string Param;                       // kept under Param0..Param4
    std::array<std::string, 4> ProgramFile;  // slots 0..3; empty = not defined
    int32_t Lock = 0;                        // read on Load only, never written

    // User group (HKCU\software\VRX\0.01).
    std::string MailProgram;
    std::string MailHost;
    std::string MailPgmParam;
    int32_t MailPollEn = 0;
    int32_t MailPollTime = 0;
    std::string MailPwd;
    std::string MailUser;
    int32_t ServerType = 0;
    int32_t SusMailPollEn = 0;
    int32_t SusMailPollTime = 0;
    std::string LastNewTimeStamp;
    int32_t Sound = 0;
    int32_t ShowMessage = 0;
    int32_t Style = 0;
    std::string WavePath;
    int32_t WaveOption = 0;
    int32_t FloatStyleOption = 0;
    // 1: new mail is watched for over IMAP IDLE between the periodic checks. 1 also when
    // a settings set of an earlier version lacks it.
    int32_t MailPushEn = 1;
};

// Only the user-interface thread writes the settings, always through Modify, which
// holds MailSettingsLock; it may read Values() without the lock. Other threads
// (the mail and hotkey workers) read only through Copy, so that they never see a
// text half replaced.
class SettingsStore {
public:
    const Settings& Values() const { return values_; }
    Settings Copy() const {
        std::lock_guard<std::mutex> hold(MailSettingsLock);
        return values_;
    }
    template <class Change>
    void Modify(Change change) {
        std::lock_guard<std::mutex> hold(MailSettingsLock);
        change(values_);
    }

private:
    mutable std::mutex MailSettingsLock;
    Settings values_;
};

// The process's settings. Lives as long as the process, so it outlives every worker.
SettingsStore& TheSettings();

}  // namespace qp
