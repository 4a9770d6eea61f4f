#include "i18n/language_code.h"

namespace qp {
namespace {

struct Locale {
    uint32_t lcid;
    const char* code;
    const char* section;
};

// Czech, Russian, Brazilian Portuguese and Polish keep their own code but read the
// English section.
constexpr Locale kLocales[] = {
    {0x0404, "0404", "Taiwan"}, {0x0804, "0804", "China"},   {0x0407, "0407", "German"},
    {0x0411, "0411", "Japan"},  {0x0412, "0412", "Korea"},   {0x040C, "040C", "French"},
    {0x0C0A, "0C0A", "Spanish"}, {0x0410, "0410", "Italian"}, {0x0413, "0413", "Dutch"},
    {0x041D, "041D", "Swedan"}, {0x0405, "0405", "UK"},      {0x0419, "0419", "UK"},
    {0x0416, "0416", "UK"},     {0x0415, "0415", "UK"},
};

constexpr const char* kOtherCode = "0409";
constexpr const char* kOtherSection = "UK";

}  // namespace

std::string GetLanguageCode(uint32_t lcid) {
    for (const Locale& locale : kLocales) {
        if (locale.lcid == lcid) return locale.code;
    }
    return kOtherCode;
}

std::string LanguageSection(const std::string& code) {
    for (const Locale& locale : kLocales) {
        if (code == locale.code) return locale.section;
    }
    return kOtherSection;
}

}  // namespace qp
