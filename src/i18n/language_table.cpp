#include "i18n/language_table.h"

#include <utility>

namespace qp {
namespace {

constexpr const char* kEnglish[kLastLanguageKey] = {
    "",
    "Select an executable file for the button",
    "Clear the button 1 definition",
    "Clear the button 2 definition",
    "Clear the button 3 definition",
    "Clear the button 4 definition",
    "Select an executable file for the button 1",
    "Select an executable file for the button 2",
    "Select an executable file for the button 3",
    "Select an executable file for the button 4",
    "Delete All Setup",
    "Open",
    "Floating Window",
    "Exit",
    "Minimize",
    "About Quilpad...",
    "Delete",
    "Default Window",
    "This Quilpad is not defined",
};

bool IsKey(int key) { return key >= kFirstLanguageKey && key <= kLastLanguageKey; }

}  // namespace

const std::string& LanguageTable::Text(int key) const {
    static const std::string kNone;
    return IsKey(key) ? texts_[key - kFirstLanguageKey] : kNone;
}

void LanguageTable::Set(int key, std::string text) {
    if (IsKey(key)) texts_[key - kFirstLanguageKey] = std::move(text);
}

void LanguageTable::SetDefaultLanguage() {
    for (int key = kFirstLanguageKey; key <= kLastLanguageKey; ++key) {
        Set(key, DefaultLanguageText(key));
    }
}

const char* DefaultLanguageText(int key) { return IsKey(key) ? kEnglish[key - kFirstLanguageKey] : ""; }

LanguageTable& Language() {
    static LanguageTable table;
    return table;
}

}  // namespace qp
