#pragma once
// Where the language texts come from: the two folders that may hold "Language.ini",
// the file itself in initialisation-file layout, and the user, who is told when the
// file is in neither folder. Implemented over Win32 (win32_language_source.h) and in
// memory for the unit tests.
#include <cstddef>
#include <optional>
#include <string>

namespace qp {

// A profile read fills a 260-byte buffer: at most this many characters come back.
constexpr std::size_t kProfileTextLimit = 259;

class LanguageSource {
public:
    virtual ~LanguageSource() = default;
    // The current directory, or nothing when it does not fit 256 bytes or cannot be read.
    virtual std::optional<std::string> CurrentDirectory() = 0;
    // The system directory (260-byte buffer); empty if it cannot be read.
    virtual std::string SystemDirectory() = 0;
    // Opens the file for reading and closes it at once.
    virtual bool CanOpen(const std::string& path) = 0;
    // The value of key in section of the file at path, or fallback when there is no
    // such value; either way cut to kProfileTextLimit characters.
    virtual std::string ReadProfileString(const std::string& section, const std::string& key,
                                          const std::string& fallback,
                                          const std::string& path) = 0;
    // The message box that says the language file was not found; returns once dismissed.
    virtual void ShowMissingFileMessage() = 0;
};

}  // namespace qp
