#pragma once
// Fills the language table from "Language.ini" for a language code, or with the
// English defaults when the file or the language's texts are missing.
#include <string>

#include "i18n/language_source.h"
#include "i18n/language_table.h"

namespace qp {

// The file is looked for in the current directory, then in the system directory;
// when it is in neither, the user is told and the defaults are used.
void LoadLanguageTable(LanguageSource& source, const std::string& languageCode,
                       LanguageTable& table);

}  // namespace qp
