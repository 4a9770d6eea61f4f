#pragma once
// The hardware buttons' launches through the shell.
#include "device/launcher.h"

namespace qp {

class ShellLauncher : public Launcher {
public:
    // No owner window, default verb, no parameters, no directory, SW_HIDE. The result
    // is not examined.
    void LaunchHidden(const std::string& path) override;
    void LaunchMediaPlayer(const std::string& parameters) override;
};

}  // namespace qp
