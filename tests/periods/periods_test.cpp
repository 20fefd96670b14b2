#include <ostream>

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "periods/calendar_walk.h"
#include "periods/even_spread.h"
#include "periods/period_line.h"
#include "screen/utf8_text.h"

namespace ondrel {

struct CalendarCase {
    const char* start;
    const char* end;
    std::size_t periods;
    const char* first;
    const char* last;
};

// Names the case in the test list.
inline void PrintTo(const CalendarCase& c, std::ostream* out) {
    *out << c.start << "-" << c.end;
}


class Calendar : public ::testing::TestWithParam<CalendarCase> {};

TEST_P(Calendar, MonthsTouchedFromStartToEndWhateverTheDays) {
    const auto& c = GetParam();
    auto periods = walkFiscalYear(c.start, c.end);
    ASSERT_EQ(periods.size(), c.periods);
    EXPECT_EQ(periods.front().label, c.first);
    EXPECT_EQ(periods.back().label, c.last);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Calendar,
    ::testing::Values(CalendarCase{"01/01/2027", "31/12/2027", 12, "janvier 2027", "décembre 2027"},
                      CalendarCase{"01/07/2026", "30/06/2027", 12, "juillet 2026", "juin 2027"},
                      CalendarCase{"01/03/2027", "31/03/2027", 1, "mars 2027", "mars 2027"},
                      CalendarCase{"01/10/2026", "31/12/2027", 15, "octobre 2026", "décembre 2027"},
                      CalendarCase{"01/01/2027", "30/06/2027", 6, "janvier 2027", "juin 2027"},
                      CalendarCase{"15/03/2027", "14/03/2028", 13, "mars 2027", "mars 2028"},
                      CalendarCase{"01/09/2026", "31/08/2027", 12, "septembre 2026", "août 2027"}));

TEST(Calendar, TheMonthAfterDecemberIsJanuaryOfTheNextYear) {
    auto periods = walkFiscalYear("01/07/2026", "30/06/2027");
    EXPECT_EQ(periods[6].label, "janvier 2027");
    EXPECT_EQ(periods[6].year, 2027);
}

TEST(Calendar, AYearWhoseEndIsNeverReachedIsRefusedInsteadOfWalkedForever) {
    EXPECT_THROW(walkFiscalYear("01/01/2028", "31/12/2027"), DataError);
    EXPECT_THROW(walkFiscalYear("2027-01-01", "31/12/2027"), DataError);
    EXPECT_THROW(walkFiscalYear("01/13/2027", "31/12/2027"), DataError);
    EXPECT_EQ(walkFiscalYear("01/01/2020", "31/12/2029").size(), static_cast<std::size_t>(kMaxPeriods));
}

struct SpreadCase {
    const char* amount;
    int periods;
    const char* share;
    const char* last;
};

// Names the case in the test list.
inline void PrintTo(const SpreadCase& c, std::ostream* out) {
    *out << c.amount << "/" << c.periods;
}


class EvenSpread : public ::testing::TestWithParam<SpreadCase> {};

TEST_P(EvenSpread, SharesAreWholeCentsAndTheLastTakesTheRest) {
    const auto& c = GetParam();
    auto amount = *parseAmount(c.amount);
    auto shares = spreadEvenly(amount, c.periods);
    ASSERT_EQ(shares.size(), static_cast<std::size_t>(c.periods));
    EXPECT_EQ(formatAmount(shares.front()), c.periods == 1 ? c.last : c.share);
    EXPECT_EQ(formatAmount(shares.back()), c.last);
    Currency total;
    for (auto s : shares)
        total += s;
    EXPECT_EQ(total, amount);
}

INSTANTIATE_TEST_SUITE_P(Table, EvenSpread,
                         ::testing::Values(SpreadCase{"1000,00", 12, "83,33", "83,37"},
                                           SpreadCase{"1200,00", 12, "100,00", "100,00"},
                                           SpreadCase{"100,00", 3, "33,33", "33,34"},
                                           SpreadCase{"1000,00", 6, "166,66", "166,70"},
                                           SpreadCase{"1000,00", 15, "66,66", "66,76"},
                                           SpreadCase{"1234,56", 7, "176,36", "176,40"},
                                           SpreadCase{"0,05", 12, "0,00", "0,05"},
                                           SpreadCase{"999999999,99", 12, "83333333,33", "83333333,36"},
                                           SpreadCase{"250,00", 1, "250,00", "250,00"}));

TEST(PeriodLine, LabelInFiftyAmountRightAlignedInFifteen) {
    std::string line = periodLine("février 2027", "1200,00");
    EXPECT_EQ(charCount(line), 65u);
    EXPECT_EQ(leftChars(line, 12), "février 2027");
    EXPECT_EQ(charsFrom(line, 59), "1200,00");
    EXPECT_EQ(periodLineAmount(line), "     1200,00");
    EXPECT_EQ(periodLineAmount(periodLine("mai 2027", "999999999,99")), "999999999,99");
}

}  // namespace ondrel
