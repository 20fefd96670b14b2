#include <gtest/gtest.h>

#include "sheets/percentage.h"

namespace ondrel {

struct PercentCase {
    const char* text;
    std::optional<std::int64_t> hundredths;
};

class Percentage : public ::testing::TestWithParam<PercentCase> {};

// The window and copy-budget read a percentage through this one parser, so that the
// same text gives the same records from both.
TEST_P(Percentage, ReadsAsAFrenchPersonWritesIt) {
    EXPECT_EQ(parsePercentage(GetParam().text), GetParam().hundredths) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, Percentage,
                         ::testing::Values(PercentCase{"3,5", 350}, PercentCase{"3.5", 350}, PercentCase{"-10", -1000},
                                           PercentCase{"+2 %", 200}, PercentCase{" 0,25% ", 25},
                                           PercentCase{"-100", -10000}, PercentCase{"1000", 100000},
                                           PercentCase{"-100,01", std::nullopt}, PercentCase{"1000,01", std::nullopt},
                                           PercentCase{"3,555", std::nullopt}, PercentCase{"3,5,5", std::nullopt},
                                           PercentCase{"1 000", 100000}, PercentCase{"1\u00A0000", 100000},
                                           PercentCase{"3,5\u202F%", 350}, PercentCase{"", std::nullopt},
                                           PercentCase{"trois", std::nullopt}));

TEST(PercentageText, ShowsTheSignAndTwoDecimals) {
    EXPECT_EQ(percentageText(350), "+3,50 %");
    EXPECT_EQ(percentageText(-1000), "-10,00 %");
}

}  // namespace ondrel
