#pragma once
// The full path of the media player found at start-up. Written by start-up on the
// user-interface thread, read by the hot-key worker; guarded, so either order is safe.
#include <string>

namespace qp {

void SetMediaPlayerPath(std::string path);
// A copy of the path; empty before start-up's search.
std::string MediaPlayerPath();

}  // namespace qp
