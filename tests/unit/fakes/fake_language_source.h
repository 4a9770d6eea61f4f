#pragma once
// A LanguageSource over in-memory folders and initialisation files. Sections and keys
// match without regard to case, as the platform's profile reads do; a read fills a
// 260-byte buffer, so longer texts come back cut. Every open and read is logged.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "i18n/language_source.h"

namespace qp::test {

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
                return std::tolower(x) < std::tolower(y);
            });
    }
};

using IniSection = std::map<std::string, std::string, NoCaseLess>;
using IniFile = std::map<std::string, IniSection, NoCaseLess>;

struct ProfileRead {
    std::string section;
    std::string key;
    std::string path;
};

class FakeLanguageSource : public LanguageSource {
public:
    std::optional<std::string> CurrentDirectory() override { return currentDirectory; }
    std::string SystemDirectory() override { return systemDirectory; }

    bool CanOpen(const std::string& path) override {
        opened.push_back(path);
        return files.count(path) != 0;
    }

    std::string ReadProfileString(const std::string& section, const std::string& key,
                                  const std::string& fallback, const std::string& path) override {
        reads.push_back({section, key, path});
        const std::string* text = &fallback;
        auto file = files.find(path);
        if (file != files.end()) {
            auto found = file->second.find(section);
            if (found != file->second.end()) {
                auto value = found->second.find(key);
                if (value != found->second.end()) text = &value->second;
            }
        }
        char buffer[kProfileTextLimit + 1];
        const std::size_t length = std::min(text->size(), sizeof buffer - 1);
        std::memcpy(buffer, text->data(), length);
        buffer[length] = '\0';
        return std::string(buffer);
    }

    void ShowMissingFileMessage() override { ++messages; }

    std::optional<std::string> currentDirectory = std::string("C:\\Work");
    std::string systemDirectory = "C:\\windows\\system32";
    std::map<std::string, IniFile> files;  // by full path, exactly as the loader spells it

    std::vector<std::string> opened;
    std::vector<ProfileRead> reads;
    int messages = 0;
};

}  // namespace qp::test
