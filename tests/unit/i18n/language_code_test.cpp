#include "i18n/language_code.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qp {
namespace {

struct Entry {
    uint32_t lcid;
    const char* code;
    const char* section;
};

TEST(LanguageCodeTest, EachListedLocaleHasItsCodeAndSection) {
    const Entry entries[] = {
        {0x0404, "0404", "Taiwan"}, {0x0804, "0804", "China"},  {0x0407, "0407", "German"},
        {0x0411, "0411", "Japan"},  {0x0412, "0412", "Korea"},  {0x040C, "040C", "French"},
        {0x0C0A, "0C0A", "Spanish"}, {0x0410, "0410", "Italian"}, {0x0413, "0413", "Dutch"},
        {0x041D, "041D", "Swedan"}, {0x0405, "0405", "UK"},     {0x0419, "0419", "UK"},
        {0x0416, "0416", "UK"},     {0x0415, "0415", "UK"},     {0x0409, "0409", "UK"},
    };
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.code);
        const std::string code = GetLanguageCode(entry.lcid);
        EXPECT_EQ(code, entry.code);
        EXPECT_EQ(LanguageSection(code), entry.section);
    }
}

TEST(LanguageCodeTest, TheWholeLcidMustMatchNotJustThePrimaryLanguage) {
    // Traditional Spanish, Swiss German, Hong Kong Chinese, German with a sort order,
    // the neutral Swedish language id.
    for (uint32_t lcid : {0x040Au, 0x0807u, 0x0C04u, 0x10407u, 0x001Du}) {
        SCOPED_TRACE(lcid);
        EXPECT_EQ(GetLanguageCode(lcid), "0409");
    }
    EXPECT_EQ(LanguageSection(GetLanguageCode(0x040A)), "UK");
}

TEST(LanguageCodeTest, UnlistedLocalesReadTheEnglishSection) {
    EXPECT_EQ(GetLanguageCode(0), "0409");
    EXPECT_EQ(GetLanguageCode(0xFFFFFFFFu), "0409");
    EXPECT_EQ(LanguageSection("0C04"), "UK");
    EXPECT_EQ(LanguageSection(""), "UK");
}

TEST(LanguageCodeTest, CodesAreUpperCaseHex) {
    EXPECT_EQ(LanguageSection("040C"), "French");
    EXPECT_EQ(LanguageSection("040c"), "UK");
    EXPECT_EQ(LanguageSection("041d"), "UK");
}

}  // namespace
}  // namespace qp
