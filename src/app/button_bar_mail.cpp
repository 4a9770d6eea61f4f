// The button bar window's part in mail polling: the power broadcasts, the restamp-and-
// check command, the defaults and commands of the notification sound and the mail
// program, and the opening of the mail settings dialog.
#include "app/button_bar_dialog.h"
#include "mail/mail_defaults.h"
#include "mail/suspend_wake.h"
#include "mail/win32_mail_poll_worker.h"
#include "mail/win32_mail_settings_dialog.h"
#include "mail/win32_mail_watch.h"
#include "mail/win32_power.h"
#include "shared/process_state.h"
#include "ui/win32_file_chooser.h"

namespace qp {

// A resume that keeps the machine awake checks at once: mail that came during the
// sleep is shown as soon as the network is back.
void ButtonBarDialog::OnPowerBroadcast(WPARAM event) {
    Win32WakeTimer timer;
    Win32PollEvent pollEvent;
    const Settings& settings = TheSettings().Values();
    const PowerChange change =
        OnPowerEvent(static_cast<uint32_t>(event), settings, timer, pollEvent, TheMailPollFlags());
    if (TheMailWatch().OnPower(change, settings)) TheCheckRequests().AskAfterResume(pollEvent);
}

// New mail counts from now on; a check follows at once.
void ButtonBarDialog::OnRestampAndCheck() {
    std::string stamp = CurrentTimeStamp();
    TheSettings().Modify([&stamp](Settings& settings) { settings.LastNewTimeStamp = stamp; });
    TransferSettings(Direction::Save);
    PollNow = 1;
    Win32PollEvent().Signal();
}

void ButtonBarDialog::OnMachineStaysAwake() {
    TheMailWatch().OnPower(PowerChange::StaysAwake, TheSettings().Values());
}

void ButtonBarDialog::OnMailSettings() {
    if (OpenMailSettings(hwnd(), buttons_.Tips(), registry_, [this] { SaveAllSettings(); }))
        TheMailWatch().Follow(TheSettings().Values());
}

void ButtonBarDialog::OnDefaultSound() {
    UseDefaultSound();
    TransferSettings(Direction::Save);
}

void ButtonBarDialog::OnChooseSound() {
    ChooseSound();
    TransferSettings(Direction::Save);
}

void ButtonBarDialog::UseDefaultSound() {
    char directory[MAX_PATH] = "";
    GetWindowsDirectoryA(directory, sizeof directory);
    const std::string path = DefaultWavePath(directory);
    TheSettings().Modify([&path](Settings& settings) {
        settings.WaveOption = 0;
        settings.WavePath = path;
    });
}

// A cancelled chooser keeps the file, but the choice of a file of one's own stays.
void ButtonBarDialog::ChooseSound() {
    TheSettings().Modify([](Settings& settings) { settings.WaveOption = 1; });
    if (auto chosen = ChooseExistingFile("Wave Files(*.wav)|*.wav||", "wav"))
        TheSettings().Modify([&chosen](Settings& settings) { settings.WavePath = *chosen; });
}

// Start-up: the save at its end writes what is filled in here, and a start-up that
// fails later saves none of it.
void ButtonBarDialog::FillMailDefaults() {
    if (TheSettings().Values().WavePath.empty()) {
        if (TheSettings().Values().WaveOption == 1)
            ChooseSound();
        else
            UseDefaultSound();
    }
    if (TheSettings().Values().MailProgram.empty()) {
        char programFiles[MAX_PATH] = "";
        const DWORD length = GetEnvironmentVariableA("ProgramFiles", programFiles, sizeof programFiles);
        // A value too long for the buffer counts as none.
        const std::string value = length < sizeof programFiles ? programFiles : "";
        const std::string program = DefaultMailProgram(value);
        TheSettings().Modify([&program](Settings& settings) { settings.MailProgram = program; });
    }
}

}  // namespace qp
