#pragma once
// The language file as Win32 reads it: GetCurrentDirectoryA, GetSystemDirectoryA,
// CreateFileA and GetPrivateProfileStringA.
#include <windows.h>

#include "i18n/language_source.h"

namespace qp {

class Win32LanguageSource : public LanguageSource {
public:
    // The missing-file message is owned by this window (none by default).
    explicit Win32LanguageSource(HWND owner = nullptr) : owner_(owner) {}

    std::optional<std::string> CurrentDirectory() override;
    std::string SystemDirectory() override;
    bool CanOpen(const std::string& path) override;
    std::string ReadProfileString(const std::string& section, const std::string& key,
                                  const std::string& fallback, const std::string& path) override;
    void ShowMissingFileMessage() override;

private:
    HWND owner_;
};

}  // namespace qp
