#include "device/win32_media_player.h"

#include <shellapi.h>

#include "device/media_player_path.h"
#include "device/media_player_search.h"
#include "device/win32_media_player_search.h"

namespace qp {

void FindMediaPlayer(HWND owner) {
    Win32MediaPlayerSearch search(owner);
    SetMediaPlayerPath(FindMediaPlayer(search));
}

void LaunchMediaPlayer(const std::string& parameters) {
    const std::string player = MediaPlayerPath();
    ShellExecuteA(nullptr, nullptr, player.c_str(),
                  parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOW);
}

}  // namespace qp
