#include "device/win32_media_player_search.h"

#include <shlobj.h>

#include <cstring>

#include "win32/message_box.h"
#include "win32/unique_handle.h"

namespace qp {
namespace {

std::string BufferText(const char (&buffer)[MAX_PATH]) {
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

}  // namespace

std::string Win32MediaPlayerSearch::ProgramFilesFolder() {
    char buffer[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_PROGRAM_FILES, FALSE);
    return BufferText(buffer);
}

std::string Win32MediaPlayerSearch::WindowsFolder() {
    char buffer[MAX_PATH] = {};
    GetWindowsDirectoryA(buffer, sizeof buffer);
    return BufferText(buffer);
}

bool Win32MediaPlayerSearch::CanOpenExclusive(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

void Win32MediaPlayerSearch::ShowPlayerMissingMessage() {
    ShowMessage(owner_, "Sorry, Cannot Find Any Microsoft Meida Player !");
}

void Win32MediaPlayerSearch::EndProcess() { ExitProcess(0); }

}  // namespace qp
