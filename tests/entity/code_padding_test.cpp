#include <gtest/gtest.h>

#include "entity/code_padding.h"

namespace ondrel {

TEST(CodePadding, LeftPadsToThreeDigits) {
    EXPECT_EQ(padCode("7"), "007");
    EXPECT_EQ(padCode("07"), "007");
    EXPECT_EQ(padCode(""), "000");
    EXPECT_EQ(padCode("123"), "123");
}

// Characters, not bytes: "é1" is two characters, short of a whole code.
TEST(CodePadding, CountsCharactersNotBytes) {
    EXPECT_EQ(padCode("é1"), "0é1");
    EXPECT_FALSE(isWholeCode("é1"));
    EXPECT_TRUE(isWholeCode("0é1"));
}

}  // namespace ondrel
