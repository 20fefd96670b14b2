#include <sstream>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "tools/budget_import.h"
#include "tools/demo_data.h"

namespace ondrel {

class BudgetImport : public ::testing::Test {
protected:
    void SetUp() override { writeDemoData(*data.db, "owner"); }

    std::vector<BudgetRow> rows(const std::string& csv, std::vector<std::string>& faults) {
        std::istringstream in(csv);
        return readBudgetCsv(in, faults);
    }

    test::TempDatabase data;
};

constexpr const char* kHeader = "Entité;Exercice;Compte;Libellé;Clé;Total;janvier 2027;février 2027\n";

// Every row is checked by the screen and refused with its line and the screen's own
// message; one refused row and nothing at all is written.
TEST_F(BudgetImport, ARefusedRowWritesNothingAndEachRefusalNamesItsLine) {
    std::vector<std::string> faults;
    const auto read = rows(std::string(kHeader) +
                               "001;N;6022000000;Achats;001;100,00;;\n"          // good
                               "009;N;6022000000;Achats;001;100,00;;\n"          // no such entity
                               "001;N;5022000000;Achats;001;100,00;;\n"          // class 5
                               "001;N;6022000000;Achats;999;100,00;;\n"          // the same account again, no such key
                               "001;N;6061000000;Achats;001;100,00;60,00;30,00\n"    // periods short of the total
                               "001;N;6026000000;Achats;001;100,00;;\n",           // not in the chart
                           faults);
    ASSERT_TRUE(faults.empty());
    const auto report = writeBudgetRows(data.db, read, true, false);
    ASSERT_EQ(report.faults.size(), 5u);
    EXPECT_EQ(report.faults[0], "ligne 3 (6022000000) : Ce code n'existe pas.");
    EXPECT_EQ(report.faults[1], "ligne 4 (5022000000) : Seuls les comptes de classe 6 et 7 peuvent être budgetisés.");
    EXPECT_EQ(report.faults[2], "ligne 5 (6022000000) : Il est obligatoire de spécifier une clé de répartition.");
    EXPECT_EQ(report.faults[3],
              "ligne 6 (6061000000) : La somme des répartitions doit ètre égale au montant à budgéter.");
    EXPECT_EQ(report.faults[4],
              "ligne 7 (6026000000) : Ce compte n'est ni au plan comptable de l'entité ni un compte de regroupement.");
    EXPECT_FALSE(data.db->read("BUDGET", "N00016022000000").has_value()) << "the good row was rolled back";
}

TEST_F(BudgetImport, TheDryRunCountsAndWritesNothing) {
    std::vector<std::string> faults;
    const auto read = rows(std::string(kHeader) + "001;N;6022000000;Achats;001;1000,00;;\n"
                                                  "001;N;6064000000;Fournitures administratives;001;1200,00;;\n",
                           faults);
    const auto report = writeBudgetRows(data.db, read, true, true);
    EXPECT_EQ(report.created, 1);
    EXPECT_EQ(report.changed, 0);
    EXPECT_EQ(report.unchanged, 1) << "1200,00 spread evenly is what the demo holds";
    EXPECT_FALSE(data.db->read("BUDGET", "N00016022000000").has_value());
}

TEST_F(BudgetImport, UnreadableCellsAreRefusedWithTheirLine) {
    std::vector<std::string> faults;
    rows(std::string(kHeader) + "001;N;6022000000;Achats;001;1234567890,00;;\n"
                                "001;N;6022000000;Achats;001;12,345;;\n"
                                "001;N;6022000000;Achats;001;12,00;douze;\n"
                                "001;N;6022000000\n"
                                "001;N+2;6022000000;Achats;001;12,00;;\n",
         faults);
    ASSERT_EQ(faults.size(), 5u);
    EXPECT_EQ(faults[4], "ligne 6 : l'exercice est N ou N+1, pas « N+2 »");
    EXPECT_EQ(faults[0].substr(0, 9), "ligne 2 :");
    EXPECT_EQ(faults[3].substr(0, 9), "ligne 5 :");
}

struct CopyCase {
    const char* percent;   // hundredths of a percent
    std::int64_t hundredths;
    const char* monthly;   // a month of the copied line kept month by month
    const char* evenShare;  // the first share of the line spread again
};

class BudgetCopy : public BudgetImport, public ::testing::WithParamInterface<CopyCase> {};

// Demo lines of entity 001 in N: 12 × 100,00 (even) and 1200,00 + 350,50 (by month).
TEST_P(BudgetCopy, AmountsMoveToTheCentAndEvenLinesAreSpreadAgain) {
    const auto& c = GetParam();
    const BudgetSheet source = readBudgetSheet(*data.db, "001", "N");
    for (std::size_t periods : {12u, 15u}) {
        const auto copied = copiedRows(source, "N+1", periods, c.hundredths);
        ASSERT_EQ(copied.size(), 2u);
        EXPECT_TRUE(copied[0].line.periods.empty()) << "an even line is spread again";
        if (periods == 12) {
            ASSERT_EQ(copied[1].line.periods.size(), 2u);
            EXPECT_EQ(formatAmount(copied[1].line.periods[1].second), c.monthly) << c.percent;
        } else {
            EXPECT_TRUE(copied[1].line.periods.empty()) << "another number of periods: spread again";
        }
    }
    EXPECT_EQ(formatAmount(copiedRows(source, "N+1", 12, c.hundredths)[0].line.total), c.evenShare);
}

INSTANTIATE_TEST_SUITE_P(Percentages, BudgetCopy,
                         ::testing::Values(CopyCase{"+3,5 %", 350, "362,77", "1242,00"},
                                           CopyCase{"-10 %", -1000, "315,45", "1080,00"}));

}  // namespace ondrel
