#include <ostream>

#include <gtest/gtest.h>

#include "account/account_number.h"
#include "budget/budget_key.h"

namespace ondrel {

struct PrefixCase {
    const char* number;
    const char* prefix;
    bool grouping;
    SuiteFile classFile;
};

// Names the case in the test list.
inline void PrintTo(const PrefixCase& c, std::ostream* out) {
    *out << c.number;
}


class AccountNumber : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(AccountNumber, SignificantPrefixChoosesGroupingOrDetailed) {
    const auto& c = GetParam();
    EXPECT_EQ(significantPrefix(c.number), c.prefix);
    EXPECT_EQ(isGroupingAccount(c.number), c.grouping);
    if (c.grouping) {
        EXPECT_EQ(classFileFor(significantPrefix(c.number)), c.classFile);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, AccountNumber,
                         ::testing::Values(PrefixCase{"6061000000", "6061", false, SuiteFile::Classe},
                                           PrefixCase{"6060000000", "606", true, SuiteFile::SSClasse},
                                           PrefixCase{"6100000000", "61", true, SuiteFile::SClasse},
                                           PrefixCase{"6010000000", "601", true, SuiteFile::SSClasse},
                                           PrefixCase{"6000000000", "6", true, SuiteFile::Classe},
                                           PrefixCase{"7000000000", "7", true, SuiteFile::Classe},
                                           PrefixCase{"6011000000", "6011", false, SuiteFile::Classe},
                                           PrefixCase{"6061100001", "6061100001", false, SuiteFile::Classe},
                                           PrefixCase{"60", "6", true, SuiteFile::Classe}));

TEST(AccountNumber, CompletionAppendsZerosOnTheRight) {
    EXPECT_EQ(completeWithZeros("6061"), "6061000000");
    EXPECT_EQ(completeWithZeros("60"), "6000000000");
    EXPECT_EQ(completeWithZeros("6061000001"), "6061000001");
}

TEST(AccountNumber, KeysCarryTheAccount) {
    EXPECT_EQ(chartKey("001", "6061000000"), "0016061000000");
    EXPECT_EQ(accountOfKey("0016061000000"), "6061000000");
    EXPECT_EQ(accountOfKey("N10016061000000"), "6061000000");
    EXPECT_EQ(budgetKey(yearCodeFor("N+1"), "001", "6061000000"), "N10016061000000");
    EXPECT_EQ(yearCodeFor("N"), "N0");
    EXPECT_EQ(yearCodeFor(""), "N1");
}

}  // namespace ondrel
