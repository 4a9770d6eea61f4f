#pragma once
// The system locale as the language file knows it: a four-digit code and the name
// of the file's section for that code.
#include <cstdint>
#include <string>

namespace qp {

// Four upper-case hex digits for the locales the program is translated for (exact
// match on the whole LCID); "0409" for every other locale.
std::string GetLanguageCode(uint32_t lcid);

// The section of "Language.ini" that holds the texts for a code; "UK" for codes
// without a section of their own.
std::string LanguageSection(const std::string& code);

}  // namespace qp
