#include "i18n/language_loader.h"

#include <array>
#include <optional>

#include "i18n/language_code.h"

namespace qp {
namespace {

constexpr const char* kFileName = "\\Language.ini";
// What a missing key reads; a missing t1 stands for a missing language.
constexpr const char* kMissingText = "None";
// Keys t0 and t20 are read as well, though nothing uses them.
constexpr int kFirstReadKey = 0;
constexpr int kLastReadKey = 20;

}  // namespace

void LoadLanguageTable(LanguageSource& source, const std::string& languageCode,
                       LanguageTable& table) {
    const std::optional<std::string> currentDirectory = source.CurrentDirectory();
    const std::string systemPath = source.SystemDirectory() + kFileName;

    std::string path;
    if (currentDirectory && source.CanOpen(*currentDirectory + kFileName)) {
        path = *currentDirectory + kFileName;
    } else {
        path = systemPath;
        if (!source.CanOpen(path)) source.ShowMissingFileMessage();
    }

    const std::string section = LanguageSection(languageCode);
    std::array<std::string, kLastReadKey + 1> texts;
    for (int key = kFirstReadKey; key <= kLastReadKey; ++key) {
        texts[key] = source.ReadProfileString(section, "t" + std::to_string(key), kMissingText, path);
    }
    for (int key = kFirstLanguageKey; key <= kLastLanguageKey; ++key) {
        table.Set(key, texts[key]);
    }
    if (table.Text(kFirstLanguageKey) == kMissingText) table.SetDefaultLanguage();
}

}  // namespace qp
