#include "device/media_player_path.h"

#include <mutex>
#include <utility>

namespace qp {
namespace {

std::mutex& PathLock() {
    static std::mutex lock;
    return lock;
}

std::string& PathText() {
    static std::string path;
    return path;
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
