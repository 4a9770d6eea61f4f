#pragma once
// The hardware buttons' actions on the program: slot launches and the media player
// from the settings, volume steps on the volume control. Runs on the hot-key worker.
#include "device/button_actions.h"
#include "device/launcher.h"
#include "device/volume_control.h"
#include "settings/settings.h"

namespace qp {

class HotkeyActions : public ButtonActions {
public:
    HotkeyActions(const SettingsStore& settings, Launcher& launcher, VolumeControl& volume)
        : settings_(settings), launcher_(launcher), volume_(volume) {}

    // Nothing when the slot has no program. Reads the path from a copy of the
    // settings, so a path the window replaces meanwhile is never seen half written.
    void LaunchSlotHidden(int slot) override;
    void LaunchMediaPlayer() override;
    void VolumeUp() override { volume_.VolumeUp(); }
    void VolumeDown() override { volume_.VolumeDown(); }

private:
    const SettingsStore& settings_;
    Launcher& launcher_;
    VolumeControl& volume_;
};

}  // namespace qp
