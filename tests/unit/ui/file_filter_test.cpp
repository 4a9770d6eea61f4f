#include <gtest/gtest.h>

#include <string>

#include "ui/file_filter.h"

namespace qp {
namespace {

using namespace std::string_literals;

TEST(FileFilterTest, HashSeparatedTextBecomesPairsEndedByDoubleNul) {
    EXPECT_EQ(FilterList("Executable Files(*.exe)#*.exe#All files(*.*)#*.*#", '#'),
              "Executable Files(*.exe)\0*.exe\0All files(*.*)\0*.*\0\0"s);
}

TEST(FileFilterTest, BarSeparatedTextWithDoubleEnd) {
    EXPECT_EQ(FilterList("Executable Files(*.exe)|*.exe|Text files(*.txt)|*.txt|All files(*.*)|*.*||",
                         '|'),
              "Executable Files(*.exe)\0*.exe\0Text files(*.txt)\0*.txt\0All files(*.*)\0*.*\0\0"s);
}

TEST(FileFilterTest, TextWithoutTrailingSeparatorStillEndsWithDoubleNul) {
    EXPECT_EQ(FilterList("All(*.*)#*.*", '#'), "All(*.*)\0*.*\0\0"s);
    EXPECT_EQ(FilterList("", '#'), "\0\0"s);
}

}  // namespace
}  // namespace qp
