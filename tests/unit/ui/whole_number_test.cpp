#include "ui/whole_number.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

TEST(ParseWholeNumberTest, SignedDecimalsWithBlanksAround) {
    EXPECT_EQ(ParseWholeNumber("5"), 5);
    EXPECT_EQ(ParseWholeNumber("-12"), -12);
    EXPECT_EQ(ParseWholeNumber("+32767"), 32767);
    EXPECT_EQ(ParseWholeNumber("  40\t"), 40);
    EXPECT_EQ(ParseWholeNumber("007"), 7);
    EXPECT_EQ(ParseWholeNumber("2147483647"), 2147483647);
    EXPECT_EQ(ParseWholeNumber("-2147483648"), INT32_MIN);
}

TEST(ParseWholeNumberTest, AnythingElseIsNotAWholeNumber) {
    for (const char* text : {"", " ", "-", "+", "5a", "a5", "1.5", "1,5", "5 5", "0x10", "--1",
                             "2147483648", "-2147483649", "99999999999999999999"})
        EXPECT_EQ(ParseWholeNumber(text), std::nullopt) << '"' << text << '"';
}

}  // namespace
}  // namespace qp
