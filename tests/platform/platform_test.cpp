#include <gtest/gtest.h>

#include "data/data_error.h"
#include "platform/date_conversion.h"
#include "platform/french_locale.h"
#include "platform/rights.h"
#include "tests/store/temp_database.h"

namespace ondrel {

TEST(DateConversion, IsoDatesBecomeDayMonthYear) {
    EXPECT_EQ(DateToText("2027-01-01"), "01/01/2027");
    EXPECT_EQ(DateToText("2028-02-29"), "29/02/2028");
    for (const char* bad : {"", "01/01/2027", "2027-1-01", "2027-02-30", "2027-13-01", "2027-01-01 ", "abcd-ef-gh"})
        EXPECT_THROW(DateToText(bad), DataError) << bad;
}

TEST(FrenchLocale, MonthNamesInFull) {
    EXPECT_EQ(formatMonthYear(1, 2027), "janvier 2027");
    EXPECT_EQ(formatMonthYear(8, 2027), "août 2027");
    EXPECT_EQ(formatMonthYear(12, 2026), "décembre 2026");
    EXPECT_THROW(formatMonthYear(13, 2027), std::out_of_range);
}

TEST(Rights, StoredLevelsByUserAndScreenKey) {
    test::TempDatabase t;
    t.db->setAccessLevel("marie", "ONDREL", 2);
    EXPECT_EQ(storedRights(t.db, "marie")->RightsForKey("ONDREL")->AccessLevel(), 2);
    EXPECT_EQ(storedRights(t.db, "paul")->RightsForKey("ONDREL")->AccessLevel(), 0);
    EXPECT_EQ(fixedRights(-1)->RightsForKey("AUTRE")->AccessLevel(), -1);
}

}  // namespace ondrel
