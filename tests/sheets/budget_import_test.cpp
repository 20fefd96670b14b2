#include <filesystem>
#include <sstream>

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "sheets/budget_import.h"
#include "sheets/budget_totals.h"
#include "sheets/csv_cells.h"
#include "screen/utf8_text.h"
#include "admin/demo_data.h"

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

// Every row is checked by the screen and refused with its line and the true reason;
// one refused row and nothing at all is written.
TEST_F(BudgetImport, ARefusedRowWritesNothingAndEachRefusalNamesItsLine) {
    std::vector<std::string> faults;
    const auto read = rows(std::string(kHeader) +
                               "001;N;6022000000;Achats;001;100,00;;\n"          // good
                               "009;N;6022000000;Achats;001;100,00;;\n"          // no such entity
                               "001;N;5022000000;Achats;001;100,00;;\n"          // class 5
                               "1;N;6022;Achats;001;100,00;;\n"                  // the same account again, written short
                               "001;N;6061000000;Achats;001;100,00;60,00;30,00\n"    // periods short of the total
                               "001;N;6026000000;Achats;001;100,00;;\n"          // not in the chart
                               "001;N;6064000000;Achats;999;100,00;;\n"          // no such key
                               "001;N+1;6064000000;Achats;0001;100,00;;\n"       // a key of four digits
                               "001;N+1;6061000000;Achats;600,00;100,00;;\n"     // an amount for a key
                               "001;N+1;6022000000;" + std::string(41, 'L') + ";001;100,00;;\n",   // a label too long
                           faults);
    ASSERT_TRUE(faults.empty());
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), read, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    const std::vector<std::string> expected{
        "ligne 3 (6022000000) : Ce code n'existe pas.",
        "ligne 4 (5022000000) : Seuls les comptes de classe 6 et 7 peuvent être budgetisés.",
        "ligne 5 (6022) : ce compte figure déjà à la ligne 2 pour la même entité et le même exercice.",
        "ligne 6 (6061000000) : La somme des répartitions doit ètre égale au montant à budgéter.",
        "ligne 7 (6026000000) : Ce compte n'est ni au plan comptable de l'entité ni un compte de regroupement.",
        "ligne 8 (6064000000) : la clé de répartition « 999 » n'existe pas pour l'entité 001.",
        "ligne 9 (6064000000) : la clé de répartition « 0001 » a 4 caractères ; l'écran en prend au plus 3.",
        "ligne 10 (6061000000) : la clé de répartition « 600,00 » a 6 caractères ; l'écran en prend au plus 3.",
        "ligne 11 (6022000000) : le libellé « " + std::string(30, 'L') + "… » a 41 caractères ; l'écran en prend au "
        "plus 40."};
    EXPECT_EQ(report.faults, expected);
    EXPECT_FALSE(data.db->read("BUDGET", "N00016022000000").has_value()) << "the good row was rolled back";
}

// What a spreadsheet does to a file, and what the file itself may get wrong.
TEST_F(BudgetImport, EachRowGetsItsTrueReasonWithItsColumnAndAShortExcerpt) {
    std::vector<std::string> faults;
    const auto read = rows(std::string(kHeader) + "1;N;6022000000;Achats;1;100,00;;\n"     // codes that lost their zeros
                                                  "001;N;6022000000;Achats;001;100,00;;;\n"   // one column too many
                                                  "001;N;6022000000;Achats;001;" + std::string(100000, '9') + ";;\n",
                           faults);
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_EQ(faults[0], "ligne 3 : la ligne a 9 colonne(s), l'en-tête en a 8");
    EXPECT_EQ(faults[1].substr(0, 21), "ligne 4 : colonne 6 :");
    EXPECT_LT(faults[1].size(), 200u) << "the cell is not echoed whole";
    ASSERT_EQ(read.size(), 1u);
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), read, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    EXPECT_TRUE(report.faults.empty()) << report.faults.front();
    EXPECT_EQ(data.db->read("BUDGET", "N00016022000000")->value(4, 1), "001");

    for (const char* empty : {"", "\r\n", "\r"}) {
        faults.clear();
        rows(empty, faults);
        EXPECT_EQ(faults.size(), 1u) << "an empty file is refused";
    }
    faults.clear();
    rows(kHeader, faults);
    EXPECT_EQ(faults, std::vector<std::string>{"le fichier ne contient aucune ligne de budget"});
}

// An export imported again writes nothing and makes no revision, so that a desk that
// shows one of its lines can still save it; a label changed in the file is applied.
TEST_F(BudgetImport, AnUnchangedLineIsNotWrittenAndAChangedLabelIs) {
    const std::string key = "N00016064000000";
    std::ostringstream csv;
    writeBudgetCsv(readBudgetSheet(*data.db, "001", "N"), csv);
    std::vector<std::string> faults;
    const std::int64_t revision = data.db->read("BUDGET", key)->revision();
    auto report = writeBudgetRows(data.db, fixedRights(kFullRights), rows(csv.str(), faults), {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    EXPECT_EQ(report.changed, 0);
    EXPECT_EQ(report.unchanged, 2);
    EXPECT_EQ(data.db->read("BUDGET", key)->revision(), revision);

    std::string changed = csv.str();
    const std::string label = "Fournitures administratives";
    changed.replace(changed.find(label), label.size(), "Fournitures de bureau");
    report = writeBudgetRows(data.db, fixedRights(kFullRights), rows(changed, faults), {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    EXPECT_TRUE(faults.empty());
    EXPECT_EQ(report.changed, 1);
    EXPECT_EQ(data.db->read("BUDGET", key)->value(1, 1), "Fournitures de bureau");
}

// Whatever a stored label holds (a text a spreadsheet would run as a formula, a tab or a
// carriage return first, a line break inside), the export reads back as it was, and
// imported into its own database it changes nothing.
TEST_F(BudgetImport, EveryStoredLabelTravelsAndComesBackUnchanged) {
    const std::vector<std::string> labels{"=HYPERLINK(\"http://x\";\"y\")", "+33", "-moins", "@SUM(A1)", "'cité",
                                          "\tTabulé", "\rRetour", "Deux\r\nlignes", "Une\nligne; \"citée\""};
    BudgetSheet sheet{"001", "N", {"janvier 2027"}, {}};
    int account = 6022;
    for (const auto& label : labels) {
        const std::string number = std::to_string(account++) + "000000";
        data.db->write("BUDGET", data.db->makeRecord("BUDGET", "N0001" + number, {{label}, {"0"}, {"100"}, {"001"}}));
        sheet.lines.push_back({number, label, "001", {Currency::fromHundredths(100)}, Currency::fromHundredths(100)});
    }
    std::ostringstream csv;
    writeBudgetCsv(sheet, csv);
    std::istringstream exported(csv.str());
    CsvReader cells(exported);
    std::vector<std::string> row;
    int line = 0;
    for (cells.next(row, line); cells.next(row, line);) {
        EXPECT_EQ(row.at(3)[0] == '\'', row.at(3).find_first_of("=+-@\t\r'", 1) == 1)
            << "line " << line << ": a label a spreadsheet would take for a formula stands behind an apostrophe";
    }
    std::vector<std::string> faults;
    std::istringstream in(csv.str());
    const auto read = readBudgetCsv(in, faults);
    ASSERT_TRUE(faults.empty()) << faults.front();
    ASSERT_EQ(read.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(read[i].line.label, labels[i]);
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), read, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    EXPECT_TRUE(report.faults.empty()) << report.faults.front();
    EXPECT_EQ(report.unchanged, static_cast<int>(labels.size()));

    // The same through a workbook: a CR is written _x000D_ there, and read back as a CR.
    const std::string path = (std::filesystem::temp_directory_path() / ("ondrel-labels-" + std::to_string(::getpid()) + ".xlsx")).string();
    writeBudgetXlsx(sheet, totalsOf(*data.db, sheet), path);
    const auto fromXlsx = readBudgetXlsx(path, faults);
    std::filesystem::remove(path);
    ASSERT_TRUE(faults.empty()) << faults.front();
    ASSERT_EQ(fromXlsx.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(fromXlsx[i].line.label, labels[i]);
}

// What no label of the suite holds is refused at the reading, with the screen's words:
// the record separator would store two values, and a NUL would cut the text.
TEST_F(BudgetImport, ASeparatorOrANulInALabelIsRefused) {
    using namespace std::string_literals;
    for (const std::string& label : {"Deux\x1evaleurs"s, "Cou\0pé"s}) {
        std::vector<std::string> faults;
        rows(std::string(kHeader) + "001;N;6022000000;" + label + ";001;100,00;;\n", faults);
        ASSERT_EQ(faults.size(), 1u);
        EXPECT_EQ(faults[0], "ligne 2 : colonne 4 : " + controlCharRefusal());
    }
}

// A line of thousands of empty cells is refused before its cells are held.
TEST_F(BudgetImport, ARecordOfTooManyCellsIsRefusedAsItIsRead) {
    std::vector<std::string> faults;
    try {
        rows(std::string(kHeader) + std::string(100000, ';') + "\n", faults);
        ADD_FAILURE() << "read";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "ligne 2 : la ligne a plus de 1000 cellules ; ce n'est pas un tableau de budget");
    }
}

// A line whose total is not the sum of its months is refused, even where the months
// are those on file.
TEST_F(BudgetImport, ATotalThatIsNotItsMonthsSumIsRefusedWhateverIsStored) {
    std::ostringstream csv;
    writeBudgetCsv(readBudgetSheet(*data.db, "001", "N"), csv);
    std::string text = csv.str();
    const std::string total = ";1200,00;";
    ASSERT_NE(text.find(total), std::string::npos) << text;
    text.replace(text.find(total), total.size(), ";1300,00;");
    std::vector<std::string> faults;
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), rows(text, faults),
                                        {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    ASSERT_EQ(report.faults.size(), 1u);
    EXPECT_NE(report.faults[0].find("La somme des répartitions doit ètre égale au montant à budgéter."), std::string::npos)
        << report.faults[0];
}

// A figure as the French write it, its thousands parted by any kind of blank, reads as
// the same amount in a file as in the grid and at the screen.
TEST(AmountCell, TakesEveryKindOfBlankBetweenTheThousands) {
    for (const char* text : {"2851,70", "2 851,70", "2\u00A0851,70", "2\u202F851,70", "2\u2009851,70", " 2 851,70 "})
        EXPECT_EQ(amountCell(text), Currency::fromHundredths(285170)) << text;
    for (const char* text : {"abc", "-5", "1e9", "1000,505", "1 000 000 000,00", "1.5"})
        EXPECT_FALSE(amountCell(text)) << text;
}

// Line ends as any program writes them: CR LF, LF, or CR alone as old Macs do.
TEST_F(BudgetImport, EveryKindOfLineEndIsRead) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
        std::string csv = "Entité;Exercice;Compte;Libellé;Clé;Total;janvier 2027;février 2027";
        csv += end;
        csv += std::string("001;N;6022000000;Achats;001;100,00;;") + end + "001;N;6061000000;Papier;001;5,00;;" + end;
        std::vector<std::string> faults;
        const auto read = rows(csv, faults);
        EXPECT_TRUE(faults.empty()) << faults.front();
        ASSERT_EQ(read.size(), 2u);
        EXPECT_EQ(read[1].lineNumber, 3);
        EXPECT_EQ(read[1].line.label, "Papier");
    }
}

TEST_F(BudgetImport, TheDryRunCountsAndWritesNothing) {
    std::vector<std::string> faults;
    const auto read = rows(std::string(kHeader) + "001;N;6022000000;Achats;001;1000,00;;\n"
                                                  "001;N;6064000000;Fournitures administratives;001;1200,00;;\n",
                           faults);
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), read, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::DryRun});
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
    EXPECT_EQ(faults[4], "ligne 6 : colonne 2 : l'exercice est N ou N+1, pas « N+2 »");
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

namespace ondrel {

// A line replaced by a copy takes the copied line's label, as it takes its amounts.
TEST_F(BudgetImport, ACopyThatReplacesALineGivesItTheCopiedLabel) {
    data.put("BUDGET", "N10016064000000", {{"Ancien libellé"}, {"0"}, {"100"}, {"001"}});
    const BudgetSheet source = readBudgetSheet(*data.db, "001", "N");
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), copiedRows(source, "N+1", 12, 0), {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    EXPECT_TRUE(report.faults.empty());
    EXPECT_EQ(data.db->read("BUDGET", "N10016064000000")->value(1, 1), "Fournitures administratives");
}

}  // namespace ondrel
