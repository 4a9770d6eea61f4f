#include "device/media_player_path.h"

#include <mutex>
#include <utility>

namespace qp {
namespace {

// Never destroyed: the hot-key worker may still launch the player while the process
// ends.
std::mutex& PathLock() {
    static std::mutex* const lock = new std::mutex;
    return *lock;
}

std::string& PathText() {
    static std::string* const path = new std::string;
    return *path;
}

}  // namespace

void SetMediaPlayerPath(std::string path) {
    std::lock_guard<std::mutex> guard(PathLock());
    PathText() = std::move(path);
}

std::string MediaPlayerPath() {
    std::lock_guard<std::mutex> guard(PathLock());
    return PathText();
}

}  // namespace qp
