#pragma once
// Which media player the media button starts: the first of four fixed paths that can
// be opened. A machine with none of them is not supported.
#include <string>

#include "device/media_player_search_api.h"

namespace qp {

// Returns the full path of the first player found. With none, tells the user and
// ends the process; returns an empty text only if EndProcess returns.
std::string FindMediaPlayer(MediaPlayerSearchApi& api);

}  // namespace qp
