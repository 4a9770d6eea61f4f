#include "device/media_player_search.h"

namespace qp {

std::string FindMediaPlayer(MediaPlayerSearchApi& api) {
    const std::string programFiles = api.ProgramFilesFolder();
    const std::string windows = api.WindowsFolder();
    // The appended parts carry their own leading backslash; folders are used as they come.
    const std::string candidates[] = {
        programFiles + "\\Windows Media Player\\wmplayer.exe",
        windows + "\\System32\\cdplayer.exe",
        windows + "\\cdplayer.exe",
        windows + "\\mplayer.exe",
    };
    for (const std::string& path : candidates) {
        if (api.CanOpenExclusive(path)) return path;
    }
    api.ShowPlayerMissingMessage();
    api.EndProcess();
    return std::string();
}

}  // namespace qp
