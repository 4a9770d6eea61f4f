#pragma once
// The media player search over Win32: SHGetSpecialFolderPathA, GetWindowsDirectoryA,
// CreateFileA, a message box and ExitProcess.
#include <windows.h>

#include "device/media_player_search_api.h"

namespace qp {

class Win32MediaPlayerSearch : public MediaPlayerSearchApi {
public:
    // The missing-player message is owned by this window (none by default).
    explicit Win32MediaPlayerSearch(HWND owner = nullptr) : owner_(owner) {}

    std::string ProgramFilesFolder() override;
    std::string WindowsFolder() override;
    bool CanOpenExclusive(const std::string& path) override;
    void ShowPlayerMissingMessage() override;
    [[noreturn]] void EndProcess() override;

private:
    HWND owner_;
};

}  // namespace qp
