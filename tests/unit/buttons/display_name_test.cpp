#include <gtest/gtest.h>

#include "buttons/display_name.h"

namespace qp {
namespace {

TEST(DisplayNameTest, DropsLowerCaseShortcutSuffix) {
    EXPECT_EQ(DisplayName("C:\\Tools\\Mail.lnk"), "Mail");
}

TEST(DisplayNameTest, DropsUpperCaseShortcutSuffix) {
    EXPECT_EQ(DisplayName("C:\\Links\\My.LNK"), "My");
}

TEST(DisplayNameTest, KeepsMixedCaseSuffix) {
    EXPECT_EQ(DisplayName("C:\\Links\\Tool.Lnk"), "Tool.Lnk");
}

TEST(DisplayNameTest, KeepsOtherExtensions) {
    EXPECT_EQ(DisplayName("C:\\Apps\\Editor.exe"), "Editor.exe");
}

TEST(DisplayNameTest, SuffixInFolderNameGivesEmptyName) {
    EXPECT_EQ(DisplayName("C:\\my.lnkdir\\tool.exe"), "");
    EXPECT_EQ(DisplayName("C:\\MY.LNKDIR\\tool.exe"), "");
}

TEST(DisplayNameTest, PathWithoutBackslashIsTakenWhole) {
    EXPECT_EQ(DisplayName("notes.txt"), "notes.txt");
    EXPECT_EQ(DisplayName("Mail.lnk"), "Mail");
}

TEST(DisplayNameTest, FirstOccurrenceOfSuffixCounts) {
    // The first ".lnk" ends the name even when another follows.
    EXPECT_EQ(DisplayName("C:\\x\\a.lnk.b.lnk"), "a");
}

TEST(DisplayNameTest, LowerCaseIsLookedForBeforeUpperCase) {
    // ".lnk" in a folder wins over ".LNK" in the file name.
    EXPECT_EQ(DisplayName("C:\\d.lnk\\Tool.LNK"), "");
    EXPECT_EQ(DisplayName("C:\\D.LNK\\tool.lnk"), "tool");
}

TEST(DisplayNameTest, EmptyAndFolderPaths) {
    EXPECT_EQ(DisplayName(""), "");
    EXPECT_EQ(DisplayName("C:\\Games\\"), "");
}

}  // namespace
}  // namespace qp
