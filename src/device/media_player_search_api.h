#pragma once
// What the media player search needs from the system: the two folders the players
// live in, a test that a file can be opened, and the way out when none can. Implemented
// over Win32 (win32_media_player_search.h) and in memory for the unit tests.
#include <string>

namespace qp {

class MediaPlayerSearchApi {
public:
    virtual ~MediaPlayerSearchApi() = default;
    // Whatever text the folder lookups leave in their 260-byte buffers, even on failure.
    virtual std::string ProgramFilesFolder() = 0;
    virtual std::string WindowsFolder() = 0;
    // Opens the file for reading with exclusive access and closes it at once.
    virtual bool CanOpenExclusive(const std::string& path) = 0;
    // The message box that says no player was found; returns once dismissed.
    virtual void ShowPlayerMissingMessage() = 0;
    // Ends the process with exit code 0, without any clean-up. Does not return on Win32.
    virtual void EndProcess() = 0;
};

}  // namespace qp
