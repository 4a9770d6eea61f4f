#include "i18n/language_table.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

TEST(LanguageTableTest, StartsEmpty) {
    LanguageTable table;
    for (int key = 1; key <= 19; ++key) EXPECT_EQ(table.Text(key), "") << "t" << key;
}

TEST(LanguageTableTest, DefaultsAreEnglishWithAnEmptyTitle) {
    LanguageTable table;
    table.Set(1, "Title");
    table.Set(19, "Other");
    table.SetDefaultLanguage();
    EXPECT_EQ(table.Text(1), "");
    EXPECT_EQ(table.Text(2), "Select an executable file for the button");
    EXPECT_EQ(table.Text(8), "Select an executable file for the button 2");
    EXPECT_EQ(table.Text(16), "About Quilpad...");
    EXPECT_EQ(table.Text(19), "This Quilpad is not defined");
    for (int key = 1; key <= 19; ++key) EXPECT_EQ(table.Text(key), DefaultLanguageText(key));
}

TEST(LanguageTableTest, KeysOutsideOneToNineteenHoldNothing) {
    LanguageTable table;
    table.Set(0, "zero");
    table.Set(20, "twenty");
    table.SetDefaultLanguage();
    EXPECT_EQ(table.Text(0), "");
    EXPECT_EQ(table.Text(20), "");
    EXPECT_EQ(table.Text(-1), "");
    EXPECT_STREQ(DefaultLanguageText(0), "");
    EXPECT_STREQ(DefaultLanguageText(20), "");
}

}  // namespace
}  // namespace qp
