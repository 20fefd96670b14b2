#include "actuals/profiles.h"

#include <sstream>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "actuals/actuals.h"
#include "admin/demo_data.h"

namespace ondrel {

TEST(Profiles, SpreadATotalToTheCent) {
    struct Case {
        std::int64_t total;
        std::vector<std::int64_t> shares, expected;
    } cases[] = {
        {120000, {5000, 2500, 2500}, {60000, 30000, 30000}},
        {10000, {3333, 3333, 3334}, {3333, 3333, 3334}},
        {100, {3333, 3333, 3334}, {33, 33, 34}},          // the cents left on the last period
        {99999, {0, 10000}, {0, 99999}},
        {1, {5000, 5000}, {0, 1}},
    };
    for (const auto& c : cases) {
        std::vector<std::int64_t> got;
        for (const Currency& a : spreadByProfile(Currency::fromHundredths(c.total), c.shares))
            got.push_back(a.floorHundredths());
        EXPECT_EQ(got, c.expected) << c.total;
    }
}

TEST(Profiles, SharesAreReadAsTheFrenchWriteThemAndAddUpToTheYear) {
    std::string why;
    const auto good = parseProfile("Hiver", "20;20;10;5;5;5;0;0;5;10;10;10", why);
    ASSERT_TRUE(good) << why;
    EXPECT_EQ(good->shares.front(), 2000);
    EXPECT_TRUE(parseProfile("Demi", "33,33;33,33;33,34", why));
    struct Case {
        const char *name, *shares, *says;
    } refused[] = {
        {"Court", "50;40", "les parts font +90,00 % de l'année, pas 100 %"},
        {"Lettre", "50;x;50", "la part 2 « x » n'est pas un pourcentage positif"},
        {"Négatif", "110;-10", "la part 2 « -10 » n'est pas un pourcentage positif"},
        {" ", "100", "un profil porte un nom"},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(parseProfile(c.name, c.shares, why)) << c.shares;
        EXPECT_EQ(why, c.says);
    }
}

// A month below nothing takes no share, and the shares always add up to the year.
TEST(Profiles, AProfileOfMonthsTakesNoShareBelowNothing) {
    auto c = [](std::int64_t cents) { return Currency::fromHundredths(cents); };
    EXPECT_EQ(profileOf("p", {c(30000), c(-10000), c(10000)})->shares, (std::vector<std::int64_t>{7500, 0, 2500}));
    EXPECT_EQ(profileOf("p", {c(1), c(1), c(1)})->shares, (std::vector<std::int64_t>{3333, 3333, 3334}));
    EXPECT_FALSE(profileOf("p", {c(0), c(-5)}));
}

// By hand: entity 001 spent 300,00 in January and 100,00 in March of N: 75 % and 25 %.
TEST(Profiles, AProfileIsMadeFromLastYearsActualsAndKeptPerEntity) {
    test::TempDatabase data;
    writeDemoData(*data.db, "owner");
    EXPECT_FALSE(profileFromActuals(*data.db, "001", "N", "Réalisé"));
    std::istringstream fec("EcritureDate|CompteNum|Debit|Credit\n20270110|606400|300,00|\n20270310|613|100,00|\n"
                           "20270310|706|0|500,00\n");
    ASSERT_TRUE(importActuals(*data.db, "001", fec).faults.empty());
    const auto made = profileFromActuals(*data.db, "001", "N", "Réalisé");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->shares, (std::vector<std::int64_t>{7500, 0, 2500, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    saveProfile(*data.db, "001", *made);
    EXPECT_EQ(profileNames(*data.db, "001"), std::vector<std::string>{"Réalisé"});
    EXPECT_TRUE(profileNames(*data.db, "003").empty());
    EXPECT_EQ(readProfile(*data.db, "001", "Réalisé")->shares, made->shares);
    EXPECT_FALSE(readProfile(*data.db, "003", "Réalisé"));
}

}  // namespace ondrel
