#include <sstream>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "sheets/budget_import.h"
#include "sheets/budget_sheet.h"
#include "sheets/budget_totals.h"
#include "admin/demo_data.h"

namespace ondrel {

class BudgetSheetTest : public ::testing::Test {
protected:
    void SetUp() override { writeDemoData(*data.db, "owner"); }
    test::TempDatabase data;
};

// The demo's two lines of entity 001 in year N, by hand: 12 × 100,00, and 1200,00 in
// January with 350,50 in July.
TEST_F(BudgetSheetTest, LinesComeInAccountOrderWithEveryPeriodOfTheYear) {
    const BudgetSheet sheet = readBudgetSheet(*data.db, "001", "N");
    ASSERT_EQ(sheet.periodLabels.size(), 12u);
    EXPECT_EQ(sheet.periodLabels.front(), "janvier 2027");
    ASSERT_EQ(sheet.lines.size(), 2u);
    EXPECT_EQ(sheet.lines[0].account, "6064000000");
    EXPECT_EQ(formatAmount(sheet.lines[0].total), "1200,00");
    EXPECT_EQ(sheet.lines[1].key, "002");
    EXPECT_EQ(formatAmount(*sheet.lines[1].periods[6]), "350,50");
    EXPECT_FALSE(sheet.lines[1].periods[1].has_value()) << "a month with no stored value stays empty";
    EXPECT_EQ(formatAmount(sheet.lines[1].total), "1550,50");
}

TEST_F(BudgetSheetTest, CsvIsWhatFrenchSpreadsheetsRead) {
    data.put("BUDGET", "N00016022000000", {{"Achats; \"divers\""}, {"0"}, {"123456"}, {"001"}});
    std::ostringstream out;
    writeBudgetCsv(readBudgetSheet(*data.db, "001", "N"), out);
    const std::string csv = out.str();
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    // Codes and month headings as formulas whose value is the text: a spreadsheet keeps
    // "001" and "janvier 2027" as they are, not as the number 1 and a date.
    EXPECT_NE(csv.find("Entité;Exercice;Compte;Libellé;Clé;Total;\"=\"\"janvier 2027\"\"\";"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\"=\"\"001\"\"\";N;6022000000;\"Achats; \"\"divers\"\"\";\"=\"\"001\"\"\";1234,56;1234,56;;;"),
              std::string::npos)
        << csv;
}

// Our own export comes back unchanged, and so does what a spreadsheet saved of it: the
// codes as numbers, the headings as dates, the amounts without their decimals.
TEST_F(BudgetSheetTest, AnExportComesBackAsItWasAndSoDoesASpreadsheetsCopy) {
    std::ostringstream out;
    writeBudgetCsv(readBudgetSheet(*data.db, "001", "N"), out);
    for (const std::string& file :
         {out.str(), std::string("Entité;Exercice;Compte;Libellé;Clé;Total;01/01/2027;01/02/2027\r\n"
                                 "1;N;6064000000;Fournitures administratives;1;200;100;100\r\n")}) {
        std::istringstream in(file);
        std::vector<std::string> faults;
        const auto rows = readBudgetCsv(in, faults);
        ASSERT_TRUE(faults.empty()) << faults.front();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0].line.account, "6064000000");
        EXPECT_EQ(rows[0].line.periods.at(1).second, Currency::fromHundredths(10000));
        const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), {rows[0]}, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::DryRun});
        EXPECT_TRUE(report.faults.empty()) << report.faults.front();
        EXPECT_EQ(report.unchanged + report.changed, 1);
    }
}

TEST_F(BudgetSheetTest, AnEntityOrYearNotOnFileIsRefusedInFrench) {
    EXPECT_THROW(readBudgetSheet(*data.db, "009", "N"), std::runtime_error);
    EXPECT_THROW(readBudgetSheet(*data.db, "001", "N+2"), std::runtime_error);
    data.put("BUDGET", "N00016022000000", {{"Hors exercice"}, {"12"}, {"100"}, {"001"}});
    try {
        readBudgetSheet(*data.db, "001", "N");
        FAIL() << "a period outside the year was exported";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("hors de l'exercice"), std::string::npos);
    }
}

// By hand: charges 1200,00 (6064, sub-class 60) + 1550,50 (6130, sub-class 61) =
// 2750,50; produits 400,00 in March (7060, added here); result 400,00 − 2750,50.
TEST_F(BudgetSheetTest, TotalsAddClassesChargesProduitsAndTheResult) {
    data.put("BUDGET", "N00017060000000", {{"Ventes"}, {"2"}, {"40000"}, {"001"}});
    const BudgetSheet sheet = readBudgetSheet(*data.db, "001", "N");
    const BudgetTotals t = totalsOf(*data.db, sheet);
    std::vector<std::string> codes;
    for (const auto& row : t.classes)
        codes.push_back(row.code + "=" + formatAmount(row.total));
    EXPECT_EQ(codes, (std::vector<std::string>{"6=2750,50", "60=1200,00", "61=1550,50", "7=400,00", "70=400,00"}));
    EXPECT_FALSE(t.classes[0].label.empty()) << "the label of class 6 comes from CLASSE";
    EXPECT_EQ(formatAmount(t.charges.total), "2750,50");
    EXPECT_EQ(formatAmount(t.charges.periods[0]), "1300,00");
    EXPECT_EQ(formatAmount(t.produits.periods[2]), "400,00");
    EXPECT_EQ(formatAmount(t.result.total), "-2350,50");
    EXPECT_EQ(formatAmount(t.result.periods[2]), "300,00");
}

}  // namespace ondrel
