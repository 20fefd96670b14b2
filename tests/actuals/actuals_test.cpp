#include <sstream>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "actuals/actuals.h"
#include "actuals/budget_actuals.h"
#include "sheets/comparison.h"
#include "sheets/budget_import.h"
#include "sheets/budget_totals.h"
#include "admin/demo_data.h"
#include "actuals/fec_reader.h"

namespace ondrel {

namespace {

const std::string kHeader =
    "JournalCode|JournalLib|EcritureNum|EcritureDate|CompteNum|CompteLib|CompAuxNum|CompAuxLib|PieceRef|PieceDate|"
    "EcritureLib|Debit|Credit|EcritureLet|DateLet|ValidDate|Montantdevise|Idevise";

// A line of the FEC with its date, account, label, debit and credit, every other column
// as an exporter fills it.
std::string line(const std::string& date, const std::string& account, const std::string& label, const std::string& debit,
                 const std::string& credit) {
    return "AC|Achats|1|" + date + "|" + account + "|" + label + "|||F1|" + date + "|Pièce|" + debit + "|" + credit +
           "|||" + date + "||";
}

std::string tabbed(std::string text) {
    for (char& c : text)
        if (c == '|')
            c = '\t';
    return text;
}

std::vector<Posting> postingsOf(const std::string& file, std::vector<std::string>& faults) {
    std::istringstream in(file);
    std::vector<Posting> postings;
    readFec(in, [&](const Posting& p) { postings.push_back(p); }, [&](const std::string& f) { faults.push_back(f); });
    return postings;
}

}  // namespace

// Every form of amount that the norm and the exporters write, in hundredths of debit
// minus credit.
TEST(FecReader, ReadsEveryFormOfAmount) {
    struct Case {
        const char *debit, *credit;
        std::int64_t expected;
    } cases[] = {
        {"120,50", "0,00", 12050}, {"0,00", "120,50", -12050}, {"", "7", -700},     {"1234,5", "", 123450},
        {"-10,00", "", -1000},     {"10,00-", "", -1000},      {"+3,25", "", 325},  {"  12,00 ", "", 1200},
    };
    for (const auto& c : cases) {
        std::vector<std::string> faults;
        const auto p = postingsOf(kHeader + "\n" + line("20270115", "606400", "x", c.debit, c.credit) + "\n", faults);
        ASSERT_TRUE(faults.empty()) << c.debit << " " << c.credit << ": " << faults.front();
        ASSERT_EQ(p.size(), 1u);
        EXPECT_EQ(p[0].debitMinusCredit, c.expected) << c.debit << " " << c.credit;
    }
}

// Tabs or bars, UTF-8 or ISO 8859-15 (the "é" of a label as one byte), a byte-order
// mark and Windows line ends, columns in another order and the Montant/Sens variant.
TEST(FecReader, ReadsBothSeparatorsBothEncodingsAndTheMontantSensVariant) {
    const std::string utf8 = kHeader + "\r\n" + line("20270115", "606400", "Fournitures éditées", "10,00", "") + "\r\n";
    const std::string latin9 = kHeader + "\n" + line("20270115", "606400", "Fournitures \xE9\x64it\xE9\x65s \xA4", "10,00", "") + "\n";
    const std::string variant = "EcritureDate\tCompteNum\tMontant\tSens\tEcritureLib\n20270320\t706000\t400,00\tC\tCours\n"
                                "20270321\t606400\t5,00\tD\tPapier\n";
    for (const std::string& file : {utf8, tabbed(utf8), "\xEF\xBB\xBF" + latin9, tabbed(latin9)}) {
        std::vector<std::string> faults;
        const auto p = postingsOf(file, faults);
        ASSERT_TRUE(faults.empty()) << faults.front();
        ASSERT_EQ(p.size(), 1u);
        EXPECT_EQ(p[0].account, "606400");
        EXPECT_EQ(p[0].year, 2027);
        EXPECT_EQ(p[0].month, 1);
        EXPECT_EQ(p[0].debitMinusCredit, 1000);
    }
    std::vector<std::string> faults;
    const auto p = postingsOf(variant, faults);
    ASSERT_TRUE(faults.empty()) << faults.front();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].debitMinusCredit, -40000);
    EXPECT_EQ(p[1].debitMinusCredit, 500);
}

TEST(FecReader, EachMalformedLineIsRefusedWithItsNumber) {
    struct Case {
        std::string line, says;
    } cases[] = {
        {line("20270231", "606400", "x", "1,00", ""), "ligne 2 : EcritureDate « 20270231 » n'est pas une date AAAAMMJJ"},
        {line("2027-01-15", "606400", "x", "1,00", ""), "ligne 2 : EcritureDate « 2027-01-15 »"},
        {line("20270115", "606400", "x", "1.000,00", ""), "ligne 2 : Debit « 1.000,00 » n'est pas un montant"},
        {line("20270115", "606400", "x", "", "1,005"), "ligne 2 : Credit « 1,005 » n'est pas un montant"},
        {line("20270115", "", "x", "1,00", ""), "ligne 2 : CompteNum est vide"},
        {line("20270115", "606400", "x", "1,00", "") + "|de trop", "ligne 2 : la ligne a 19 colonne(s), l'en-tête en a 18"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> faults;
        postingsOf(kHeader + "\n" + c.line + "\n", faults);
        ASSERT_EQ(faults.size(), 1u) << c.line;
        EXPECT_EQ(faults[0].rfind(c.says, 0), 0u) << faults[0];
    }
    std::vector<std::string> faults;
    postingsOf("Date|Compte|Montant\n", faults);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("l'en-tête n'est pas celui d'un FEC"), std::string::npos);
    faults.clear();
    postingsOf("", faults);
    EXPECT_EQ(faults, std::vector<std::string>{"ligne 1 : le fichier est vide ; il lui faut l'en-tête du FEC"});
}

class ActualsTest : public ::testing::Test {
protected:
    void SetUp() override { writeDemoData(*data.db, "owner"); }

    ActualsImport import(const std::string& lines, const std::string& entity = "001") {
        std::istringstream in(kHeader + "\n" + lines);
        return importActuals(*data.db, entity, in);
    }

    test::TempDatabase data;
};

// By hand, entity 001 (years January to December 2027 and 2028): 6064 gets 120,50 in
// January less a credit note of 20,50, and 30,00 in March; 7060 earns 400,00 in March
// less 50,00 refunded; the supplier's account 401 is no charge; 2028 is year N+1.
TEST_F(ActualsTest, ChargesAndProduitsAreSummedByAccountAndMonth) {
    const ActualsImport r = import(line("20270115", "606400", "Papier", "120,50", "") + "\n" +
                                   line("20270115", "401000", "Fournisseur", "", "120,50") + "\n" +
                                   line("20270128", "606400", "Avoir", "", "20,50") + "\n" +
                                   line("20270302", "60640000", "Papier", "30,00", "") + "\n" +
                                   line("20270320", "706", "Cours", "", "400,00") + "\n" +
                                   line("20270321", "706", "Remboursement", "50,00", "") + "\n" +
                                   line("20280110", "613", "Location", "99,99", "") + "\n");
    ASSERT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.postings, 7);
    EXPECT_EQ(r.counted, 6);
    EXPECT_EQ(r.accountsByYear, (std::map<std::string, int>{{"N", 2}, {"N+1", 1}}));
    auto n = readActuals(*data.db, "001", "N");
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n.at("6064000000")[0], Currency::fromHundredths(10000));
    EXPECT_EQ(n.at("6064000000")[2], Currency::fromHundredths(3000));
    EXPECT_EQ(n.at("6064000000")[1], Currency::zero());
    EXPECT_EQ(n.at("7060000000")[2], Currency::fromHundredths(35000));
    EXPECT_EQ(n.at("7060000000").size(), 12u);
    EXPECT_EQ(readActuals(*data.db, "001", "N+1").at("6130000000")[0], Currency::fromHundredths(9999));
    EXPECT_TRUE(readActuals(*data.db, "003", "N").empty());
    EXPECT_FALSE(data.db->read("BUDGET", "N00016064000000")->value(3, 1).empty()) << "the budget is left alone";
}

// A second import of a year replaces it whole: an account absent from it goes; a year
// it does not cover stays. A file with one bad line changes nothing.
TEST_F(ActualsTest, AReimportReplacesItsYearsAllOrNothing) {
    ASSERT_TRUE(import(line("20270115", "606400", "a", "10,00", "") + "\n" + line("20270115", "613", "b", "5,00", "") + "\n" +
                       line("20280115", "613", "c", "7,00", "") + "\n")
                    .faults.empty());
    const ActualsImport bad = import(line("20270115", "606400", "a", "99,00", "") + "\n" +
                                     line("20270199", "606400", "a", "1,00", "") + "\n" +
                                     line("20260115", "606400", "a", "1,00", "") + "\n");
    ASSERT_EQ(bad.faults.size(), 2u);
    EXPECT_EQ(bad.faults[0].rfind("ligne 3 : ", 0), 0u) << bad.faults[0];
    EXPECT_EQ(bad.faults[1], "ligne 4 : la date 1/2026 n'est dans aucun des exercices N et N+1 de l'entité 001");
    EXPECT_EQ(readActuals(*data.db, "001", "N").at("6064000000")[0], Currency::fromHundredths(1000));

    ASSERT_TRUE(import(line("20270215", "606400", "a", "20,00", "") + "\n").faults.empty());
    const auto n = readActuals(*data.db, "001", "N");
    ASSERT_EQ(n.size(), 1u) << "613 is gone from N";
    EXPECT_EQ(n.at("6064000000")[0], Currency::zero());
    EXPECT_EQ(n.at("6064000000")[1], Currency::fromHundredths(2000));
    EXPECT_EQ(readActuals(*data.db, "001", "N+1").at("6130000000")[0], Currency::fromHundredths(700));
}

TEST_F(ActualsTest, WhatCannotBeComparedIsRefused) {
    const ActualsImport r = import(line("20270115", "60640000001", "a", "1,00", "") + "\n" +
                                   line("20270115", "6064A", "a", "1,00", "") + "\n");
    ASSERT_EQ(r.faults.size(), 2u);
    EXPECT_EQ(r.faults[0], "ligne 2 : le compte « 60640000001 » n'est pas un compte de dix chiffres au plus");
    EXPECT_EQ(import(line("20270115", "401000", "a", "1,00", "") + "\n").faults,
              std::vector<std::string>{"le fichier n'a aucune écriture de classe 6 ou 7"});
    EXPECT_THROW(import("", "009"), std::runtime_error);
}

// What the screen, the sheets and the report hold is 999999999,99: a posting above
// it, or a month's sum that grows above it, is refused on its own line.
TEST_F(ActualsTest, AnAmountTheScreenCannotHoldIsRefusedOnItsLine) {
    const ActualsImport r = import(line("20270115", "606400", "a", "999999999999999,99", "") + "\n" +
                                   line("20270115", "613", "b", "999999999,99", "") + "\n" +
                                   line("20270116", "613", "c", "0,01", "") + "\n" +
                                   line("20270117", "706", "d", "", "999999999,99") + "\n");
    ASSERT_EQ(r.faults.size(), 2u);
    EXPECT_EQ(r.faults[0].rfind("ligne 2 : le montant dépasse 999999999,99", 0), 0u) << r.faults[0];
    EXPECT_EQ(r.faults[1].rfind("ligne 4 : la somme du compte 613 en janvier 2027 dépasse 999999999,99", 0), 0u)
        << r.faults[1];
    EXPECT_TRUE(readActuals(*data.db, "001", "N").empty()) << "nothing was written";
}

// By hand, entity 001 year N: the grouping line 6130000000 (1 550,50) takes the actuals
// of 6132 (1 000,00 in January) and 6135 (700,00 in July): 1 700,00, 149,50 over, +9,6 %.
// 6064000000 (1 200,00) spent 120,50 in January. 6251 has actuals and no line: it comes
// last. Class 6 counts each account once: 120,50 + 1 000,00 + 700,00 + 80,00 = 1 900,50.
TEST_F(ActualsTest, TheBudgetIsComparedWithTheActualsOfEveryAccountUnderEachLine) {
    ASSERT_TRUE(import(line("20270115", "606400", "a", "120,50", "") + "\n" + line("20270110", "6132", "b", "1000,00", "") +
                       "\n" + line("20270710", "6135", "c", "700,00", "") + "\n" +
                       line("20270301", "6251", "d", "80,00", "") + "\n")
                    .faults.empty());
    BudgetSheet sheet = readBudgetSheet(*data.db, "001", "N");
    compareWithActuals(*data.db, sheet);
    ASSERT_EQ(sheet.lines.size(), 3u);
    const auto& grouping = sheet.lines[1];
    EXPECT_EQ(grouping.account, "6130000000");
    EXPECT_EQ(formatAmount(grouping.actualTotal), "1700,00");
    EXPECT_EQ(formatAmount(grouping.actual[0]), "1000,00");
    EXPECT_EQ(formatAmount(grouping.actual[6]), "700,00");
    EXPECT_EQ(formatAmount(variance(grouping.total, grouping.actualTotal)), "149,50");
    EXPECT_EQ(percentText(variancePercent(grouping.total, grouping.actualTotal)), "+9,6 %");
    EXPECT_TRUE(overBudget(grouping.account, grouping.total, grouping.actualTotal));
    EXPECT_EQ(formatAmount(sheet.lines[0].actualTotal), "120,50");
    EXPECT_FALSE(overBudget("6064000000", sheet.lines[0].total, sheet.lines[0].actualTotal));
    EXPECT_TRUE(overBudget("7060000000", Currency::fromHundredths(100), Currency::zero())) << "a produit below its budget";
    EXPECT_EQ(sheet.lines[2].account, "6251000000");
    EXPECT_FALSE(sheet.lines[2].budgeted);
    EXPECT_EQ(formatAmount(sheet.lines[2].actualTotal), "80,00");
    EXPECT_EQ(percentText(variancePercent(sheet.lines[2].total, sheet.lines[2].actualTotal)), "");

    const BudgetTotals totals = totalsOf(*data.db, sheet);
    EXPECT_EQ(formatAmount(totals.charges.actualTotal), "1900,50");
    EXPECT_EQ(formatAmount(totals.charges.actualPeriods[0]), "1120,50");
    EXPECT_EQ(formatAmount(totals.result.actualTotal), "-1900,50");
    std::vector<std::string> classes;
    for (const auto& t : totals.classes)
        classes.push_back(t.code + "=" + formatAmount(t.actualTotal));
    EXPECT_EQ(classes, (std::vector<std::string>{"6=1900,50", "60=120,50", "61=1700,00", "62=80,00"}));

    // The CSV with the actuals is for reading: the import refuses it.
    std::ostringstream csv;
    writeBudgetCsv(sheet, csv);
    EXPECT_NE(csv.str().find(";Note;Réalisé;Écart;Écart %;Réalisé janvier 2027;"), std::string::npos);
    EXPECT_NE(csv.str().find("1550,50;1200,00;;;;;;350,50;;;;;;;1700,00;149,50;+9,6 %;1000,00;"), std::string::npos) << csv.str();
    std::istringstream back(csv.str());
    std::vector<std::string> faults;
    readBudgetCsv(back, faults);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("ce fichier porte le réalisé"), std::string::npos);
}

}  // namespace ondrel
