#pragma once
// Start-up's search for the media player, and the media button's launch of it.
#include <windows.h>

#include <string>

namespace qp {

// Sets MediaPlayerPath to the player found, or tells the user and ends the process
// with exit code 0. Call once on the user-interface thread; owner owns the message.
void FindMediaPlayer(HWND owner = nullptr);

// Starts MediaPlayerPath, shown, with the launch parameter (empty: no arguments).
// Safe on any thread; the result is not examined.
void LaunchMediaPlayer(const std::string& parameters);

}  // namespace qp
