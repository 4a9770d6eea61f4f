#include "i18n/win32_language_source.h"

#include <cstring>

#include "win32/message_box.h"
#include "win32/unique_handle.h"

namespace qp {

std::optional<std::string> Win32LanguageSource::CurrentDirectory() {
    char buffer[256] = {};
    // A directory that does not fit gives the size it needs and leaves the buffer alone.
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return std::nullopt;
    return std::string(buffer, length);
}

std::string Win32LanguageSource::SystemDirectory() {
    char buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return std::string(buffer, length);
}

bool Win32LanguageSource::CanOpen(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

std::string Win32LanguageSource::ReadProfileString(const std::string& section,
                                                   const std::string& key,
                                                   const std::string& fallback,
                                                   const std::string& path) {
    char buffer[kProfileTextLimit + 1] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                             sizeof buffer, path.c_str());
    return std::string(buffer, strnlen(buffer, kProfileTextLimit));
}

void Win32LanguageSource::ShowMissingFileMessage() {
    ShowMessage(owner_, "\" *.ini \"  is not find, Press Enter to Get Default Language !");
}

}  // namespace qp
