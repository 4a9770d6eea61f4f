#include "device/win32_shell_launcher.h"

#include <windows.h>
#include <shellapi.h>

#include "device/win32_media_player.h"

namespace qp {

void ShellLauncher::LaunchHidden(const std::string& path) {
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_HIDE);
}

void ShellLauncher::LaunchMediaPlayer(const std::string& parameters) {
    qp::LaunchMediaPlayer(parameters);
}

}  // namespace qp
