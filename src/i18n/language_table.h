#pragma once
// The nineteen user-interface texts t1 to t19, by key number. Filled once at
// start-up on the user-interface thread and only read afterwards.
#include <array>
#include <string>

namespace qp {

constexpr int kFirstLanguageKey = 1;
constexpr int kLastLanguageKey = 19;

class LanguageTable {
public:
    // Every text empty until loaded.
    LanguageTable() = default;

    // The text of key tN; an empty text for a number outside 1..19.
    const std::string& Text(int key) const;
    // Keys outside 1..19 are ignored.
    void Set(int key, std::string text);
    // All nineteen texts to their English defaults.
    void SetDefaultLanguage();

private:
    std::array<std::string, kLastLanguageKey> texts_;
};

// The English default of key tN; an empty text for a number outside 1..19.
const char* DefaultLanguageText(int key);

// The program's table, loaded by start-up before any worker thread exists.
LanguageTable& Language();

}  // namespace qp
