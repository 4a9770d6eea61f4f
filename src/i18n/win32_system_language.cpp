#include "i18n/win32_system_language.h"

#include "i18n/language_code.h"
#include "i18n/language_loader.h"
#include "i18n/language_table.h"
#include "i18n/win32_language_source.h"

namespace qp {

void LoadLanguageTable(HWND owner) {
    Win32LanguageSource source(owner);
    LoadLanguageTable(source, GetLanguageCode(GetSystemDefaultLCID()), Language());
}

}  // namespace qp
