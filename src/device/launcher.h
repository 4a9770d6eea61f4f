#pragma once
// The shell as the hardware buttons use it.
#include <string>

namespace qp {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens the file with its default verb, hidden, with no parameters.
    virtual void LaunchHidden(const std::string& path) = 0;
    // Starts the media player found at start-up, shown, with these parameters.
    virtual void LaunchMediaPlayer(const std::string& parameters) = 0;
};

}  // namespace qp
