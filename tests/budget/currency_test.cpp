#include "budget/currency.h"

#include <limits>

#include <ostream>

#include <gtest/gtest.h>

namespace ondrel {

struct FormatCase {
    const char* text;
    const char* formatted;
};

// Names the case in the test list.
inline void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.text;
}


class AmountText : public ::testing::TestWithParam<FormatCase> {};

TEST_P(AmountText, ParsesAndFormatsWithTheDecimalComma) {
    auto amount = parseAmount(GetParam().text);
    ASSERT_TRUE(amount) << GetParam().text;
    EXPECT_EQ(formatAmount(*amount), GetParam().formatted);
}

INSTANTIATE_TEST_SUITE_P(Table, AmountText,
                         ::testing::Values(FormatCase{"5", "5,00"}, FormatCase{"0,5", "0,50"}, FormatCase{",5", "0,50"},
                                           FormatCase{"007", "7,00"}, FormatCase{"1,234", "1,23"},
                                           FormatCase{"1,235", "1,24"}, FormatCase{"1,999", "2,00"},
                                           FormatCase{"5,", "5,00"}, FormatCase{"      100,00", "100,00"},
                                           FormatCase{"999999999,99", "999999999,99"},
                                           FormatCase{"0", "0,00"}, FormatCase{"1,00005", "1,00"}));

TEST(AmountText, WhatIsNotAnAmountIsRefused) {
    for (const char* text : {"", ",", "   ", "abc", "1.5", "1,2,3", "-5", "5 "})
        EXPECT_FALSE(parseAmount(text)) << text;
}

TEST(AmountText, ATooLargeNumberRaisesInsteadOfWrapping) {
    EXPECT_THROW(parseAmount("99999999999999999999"), CurrencyOverflow);
}

TEST(Currency, ConversionToCurrencyRoundsHalvesToEven) {
    EXPECT_EQ(parseAmount("0,00005")->tenThousandths(), 0);
    EXPECT_EQ(parseAmount("0,00015")->tenThousandths(), 2);
    EXPECT_EQ(parseAmount("0,000051")->tenThousandths(), 1);
    EXPECT_EQ(Currency::fromDouble(1000.0 / 12).tenThousandths(), 833333);
    EXPECT_EQ(Currency::fromDouble(0.00025).tenThousandths(), 2);
}

TEST(Currency, ArithmeticIsExactAndOverflowIsAnError) {
    Currency sum;
    for (int i = 0; i < 11; ++i)
        sum += *parseAmount("83,33");
    sum += *parseAmount("83,37");
    EXPECT_EQ(sum, *parseAmount("1000"));
    auto big = Currency::fromTenThousandths(std::numeric_limits<std::int64_t>::max());
    EXPECT_THROW(big + Currency::fromHundredths(1), CurrencyOverflow);
    EXPECT_THROW(big * 2, CurrencyOverflow);
    EXPECT_THROW(Currency::fromDouble(1e300), CurrencyOverflow);
}

TEST(Currency, StoredValuesAreWholeHundredths) {
    EXPECT_EQ(storedHundredths(*parseAmount("1234,56")), "123456");
    EXPECT_EQ(storedHundredths(*parseAmount("0,00")), "0");
    EXPECT_EQ(formatAmount(fromStoredHundredths("35050")), "350,50");
    EXPECT_THROW(fromStoredHundredths(""), std::invalid_argument);
    EXPECT_THROW(fromStoredHundredths("12a"), std::invalid_argument);
}

}  // namespace ondrel
