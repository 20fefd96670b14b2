// The XLSX export as a workbook a person edits and imports back: read through the same
// checks as the CSV, with the sheet's own row numbers; the account and label frozen;
// the variances and their marks following an edit; printed readably with the actuals.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <unistd.h>

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include "tests/store/temp_database.h"
#include "actuals/actuals.h"
#include "actuals/budget_actuals.h"
#include "sheets/budget_import.h"
#include "sheets/budget_sheet.h"
#include "sheets/budget_totals.h"
#include "budget/line_note.h"
#include "admin/demo_data.h"

namespace ondrel {

namespace {

// A part of the workbook, as the test reads it back with unzip.
std::string part(const std::string& path, const std::string& name) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("unzip -p '" + path + "' " + name).c_str(), "r"), pclose);
    std::string text;
    std::array<char, 4096> buffer{};
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get()))
        text += buffer.data();
    return text;
}

}  // namespace

class BudgetXlsx : public ::testing::Test {
protected:
    void SetUp() override {
        writeDemoData(*data.db, "owner");
        path = (std::filesystem::temp_directory_path() / ("ondrel-" + std::to_string(::getpid()) + "-budget.xlsx")).string();
    }
    void TearDown() override { std::filesystem::remove(path); }

    void exportYear(bool withActuals) {
        BudgetSheet sheet = readBudgetSheet(*data.db, "001", "N");
        if (withActuals)
            compareWithActuals(*data.db, sheet);
        writeBudgetXlsx(sheet, totalsOf(*data.db, sheet), path);
    }

    test::TempDatabase data;
    std::string path;
};

// Our own export reads back as the lines it holds, the totals below them left alone, and
// imported into its own database it changes nothing.
TEST_F(BudgetXlsx, AnExportImportsBackUnchanged) {
    data.put("BUDGET", "N00016022000000", {{"=Achats; \"divers\"\t!"}, {"0", "11"}, {"123456", "5"}, {"001"}});
    exportYear(false);
    std::vector<std::string> faults;
    const auto rows = readBudgetXlsx(path, faults);
    ASSERT_TRUE(faults.empty()) << faults.front();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].lineNumber, 2);
    EXPECT_EQ(rows[0].line.label, "=Achats; \"divers\"\t!");
    EXPECT_EQ(formatAmount(rows[0].line.total), "1234,61");
    EXPECT_EQ(rows[0].line.periods.size(), 2u);
    EXPECT_EQ(rows[2].line.entity, "001");
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), rows, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::DryRun});
    EXPECT_TRUE(report.faults.empty()) << report.faults.front();
    EXPECT_EQ(report.unchanged, 3);
}

// The notes travel in their column and come back: a changed note alone is a change,
// an emptied one takes the note away, and one too long is refused with its row.
TEST_F(BudgetXlsx, NotesGoOutAndComeBack) {
    saveNote(*data.db, "N00016064000000", "Hausse du papier;\n« prévue » en mars");
    for (const bool csv : {false, true}) {
        std::vector<std::string> faults;
        std::vector<BudgetRow> rows;
        if (csv) {
            std::stringstream out;
            writeBudgetCsv(readBudgetSheet(*data.db, "001", "N"), out);
            rows = readBudgetCsv(out, faults);
        } else {
            exportYear(false);
            rows = readBudgetXlsx(path, faults);
        }
        ASSERT_TRUE(faults.empty()) << faults.front();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].note, "Hausse du papier;\n« prévue » en mars");
        EXPECT_EQ(rows[1].note, "");
        rows[1].note = "Loyer révisé";
        rows[0].note = "";
        const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), rows, {.onFile = OnFile::Replace});
        EXPECT_EQ(report.changed, 2) << "a note alone is a change";
        EXPECT_EQ(readNotes(*data.db, "N0001"), (std::map<std::string, std::string>{{"N00016130000000", "Loyer révisé"}}));
        saveNote(*data.db, "N00016130000000", "");
        saveNote(*data.db, "N00016064000000", "Hausse du papier;\n« prévue » en mars");
    }
    std::stringstream tooLong("Entité;Exercice;Compte;Libellé;Clé;Total;janvier 2027;Note\n001;N;6064000000;Fournitures;001;0;;" +
                              std::string(501, 'x') + "\n");
    std::vector<std::string> faults;
    readBudgetCsv(tooLong, faults);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("ligne 2"), std::string::npos) << faults[0];
}

// What a spreadsheet saves after a person's edit: the entity as the number 1, a heading
// as a date, months changed, the totals below a blank row; a bad cell named with the
// sheet's own row and column.
TEST_F(BudgetXlsx, ASpreadsheetsSaveIsReadWithItsRowNumbers) {
    {
        lxw_workbook* book = workbook_new(path.c_str());
        lxw_worksheet* ws = workbook_add_worksheet(book, nullptr);
        const char* header[] = {"Entité", "Exercice", "Compte", "Libellé", "Clé", "Total"};
        for (lxw_col_t c = 0; c < 6; ++c)
            worksheet_write_string(ws, 0, c, header[c], nullptr);
        worksheet_write_number(ws, 0, 6, 46388, nullptr);   // a date: the first of January 2027
        worksheet_write_string(ws, 0, 7, "février 2027", nullptr);
        worksheet_write_number(ws, 1, 0, 1, nullptr);
        worksheet_write_string(ws, 1, 1, "N", nullptr);
        worksheet_write_number(ws, 1, 2, 6064000000, nullptr);
        worksheet_write_string(ws, 1, 3, "Fournitures", nullptr);
        worksheet_write_string(ws, 1, 4, "001", nullptr);
        worksheet_write_formula_num(ws, 1, 5, "=SUM(G2:H2)", nullptr, 350.5);
        worksheet_write_number(ws, 1, 6, 250.5, nullptr);
        worksheet_write_number(ws, 1, 7, 100, nullptr);
        worksheet_write_string(ws, 2, 0, "001", nullptr);
        worksheet_write_string(ws, 2, 1, "N", nullptr);
        worksheet_write_string(ws, 2, 2, "6130000000", nullptr);
        worksheet_write_string(ws, 2, 3, "Locations", nullptr);
        worksheet_write_string(ws, 2, 4, "002", nullptr);
        worksheet_write_number(ws, 2, 5, 1200, nullptr);
        worksheet_write_number(ws, 2, 6, 1200, nullptr);   // its February left empty: the row is shorter
        worksheet_write_string(ws, 4, 2, "6", nullptr);     // the totals, past a blank row
        worksheet_write_string(ws, 4, 3, "Comptes de charges", nullptr);
        worksheet_write_formula_num(ws, 4, 5, "=SUM(F2:F3)", nullptr, 1550.5);
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    }
    std::vector<std::string> faults;
    auto rows = readBudgetXlsx(path, faults);
    ASSERT_TRUE(faults.empty()) << faults.front();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].line.entity, "1");
    EXPECT_EQ(rows[0].line.account, "6064000000");
    EXPECT_EQ(formatAmount(rows[0].line.periods.at(0).second), "250,50");
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), rows, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    ASSERT_TRUE(report.faults.empty()) << report.faults.front();
    EXPECT_EQ(report.changed, 2);
    EXPECT_EQ(data.db->read("BUDGET", "N00016064000000")->value(3, 1), "25050");

    {
        lxw_workbook* book = workbook_new(path.c_str());
        lxw_worksheet* ws = workbook_add_worksheet(book, nullptr);
        const char* cells[] = {"Entité", "Exercice", "Compte", "Libellé", "Clé", "Total", "janvier 2027", "février 2027"};
        for (lxw_col_t c = 0; c < 8; ++c)
            worksheet_write_string(ws, 0, c, cells[c], nullptr);
        for (lxw_row_t r = 1; r <= 2; ++r)
            for (lxw_col_t c = 0; c < 6; ++c)
                worksheet_write_string(ws, r, c, std::vector<const char*>{"001", "N", "6064000000", "F", "001", "12"}[c], nullptr);
        worksheet_write_string(ws, 2, 7, "abc", nullptr);
        worksheet_write_number(ws, 1, 6, 1000.505, nullptr);
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    }
    faults.clear();
    readBudgetXlsx(path, faults);
    EXPECT_EQ(faults, (std::vector<std::string>{"ligne 2 : colonne 7 : la période 1 « 1000,505 » n'est pas un montant",
                                                "ligne 3 : colonne 8 : la période 2 « abc » n'est pas un montant"}));
    std::ofstream(path) << "pas un classeur";
    EXPECT_THROW(readBudgetXlsx(path, faults), std::runtime_error);
}

TEST_F(BudgetXlsx, TheAccountAndLabelStayInSight) {
    exportYear(false);
    const std::string sheet = part(path, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<pane xSplit=\"4\" ySplit=\"1\""), std::string::npos) << sheet.substr(0, 600);
}

// With the actuals: the variance % of each line and each class total is a formula, what
// is worse than the budget is marked by a rule that follows an edit, and the sheet
// prints across pages at a size that reads, the account and label on each.
TEST_F(BudgetXlsx, WithTheActualsTheMarksFollowAnEditAndThePagesRead) {
    std::istringstream fec("EcritureDate|CompteNum|Debit|Credit\n20270115|606400|120,50|\n20270710|6135|700,00|\n");
    ASSERT_TRUE(importActuals(*data.db, "001", fec).faults.empty());
    exportYear(true);
    const std::string sheet = part(path, "xl/worksheets/sheet1.xml");
    // The lines: 6064 in row 2 (total F, note S, actual T, variance U, % V).
    EXPECT_NE(sheet.find("<f>IF(N(F2)=0,\"\",U2/F2*100)</f>"), std::string::npos);
    const std::string actual = sheet.substr(sheet.find("<c r=\"T2\""), 40);
    EXPECT_NE(actual.find("><v>120.5</v></c>"), std::string::npos) << "the actual is a plain number: " << actual;
    // Class 6, below the lines, has its variance % too.
    EXPECT_NE(sheet.find("<f>IF(N(F5)=0,\"\",U5/F5*100)</f>"), std::string::npos);
    EXPECT_NE(sheet.find("<conditionalFormatting sqref=\"T2:T3\"><cfRule type=\"expression\""), std::string::npos);
    EXPECT_NE(sheet.find("<formula>OR(AND(LEFT($C2,1)=\"6\",N(T2)&gt;N(F2)),AND(LEFT($C2,1)=\"7\",N(T2)&lt;N(F2)))</formula>"),
              std::string::npos);
    EXPECT_EQ(sheet.find("▲"), std::string::npos) << "no mark is written as text";
    EXPECT_NE(part(path, "xl/styles.xml").find("&quot;▲ &quot;"), std::string::npos) << "the mark is in the rule's format";
    EXPECT_NE(sheet.find("scale=\"75\""), std::string::npos);
    EXPECT_EQ(sheet.find("fitToPage"), std::string::npos) << "not squeezed on one page wide";
    EXPECT_NE(part(path, "xl/workbook.xml").find("!$C:$D,"), std::string::npos) << "the account and label on each page";
}

}  // namespace ondrel
