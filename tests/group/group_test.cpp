// The group of entities: its sums by account and calendar month, its flows left out,
// the thresholds that apply to a line, and which way an alert goes.
#include <sstream>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "actuals/actuals.h"
#include "admin/demo_data.h"
#include "group/alerts.h"
#include "group/group_csv.h"
#include "platform/rights.h"
#include "versions/validation.h"

namespace ondrel {

namespace {

constexpr const char* kNetwork = "Réseau associatif";   // 002 and 003, the fee between them a flow

Currency amount(const char* text) {
    return text[0] == '-' ? Currency::zero() - *parseAmount(text + 1) : *parseAmount(text);
}

const GroupRow& rowOf(const GroupView& view, const std::string& account) {
    for (const auto& row : view.rows)
        if (row.account == account)
            return row;
    throw std::runtime_error("no row " + account);
}

std::string monthLabels(const GroupView& view) {
    return view.months.front().label + " … " + view.months.back().label + " (" + std::to_string(view.months.size()) + ")";
}

}  // namespace

struct AlertCase {
    const char* account;
    const char* budget;
    const char* actual;
    Thresholds thresholds;
    AlertLevel level;
    const char* word;
};

class AlertSignsTable : public ::testing::TestWithParam<AlertCase> {};

TEST_P(AlertSignsTable, MoreIsWorseOnAChargeAndLessOnAProduit) {
    const auto& c = GetParam();
    const bool produit = c.account[0] == '7';
    const AlertLevel level = alertLevel({amount(c.budget), amount(c.actual), produit}, c.thresholds);
    EXPECT_EQ(level, c.level);
    EXPECT_EQ(alertWord(level, produit), c.word);
}

INSTANTIATE_TEST_SUITE_P(Table, AlertSignsTable, ::testing::Values(
    AlertCase{"6064", "1000,00", "899,99", {}, AlertLevel::None, ""},
    AlertCase{"6064", "1000,00", "900,00", {}, AlertLevel::Watch, "Vigilance"},
    AlertCase{"6064", "1000,00", "1000,00", {}, AlertLevel::Watch, "Vigilance"},
    AlertCase{"6064", "1000,00", "1000,01", {}, AlertLevel::Alert, "Dépassement"},
    AlertCase{"6064", "1000,00", "950,01", {8000, 9500}, AlertLevel::Alert, "Dépassement"},
    AlertCase{"6064", "0,00", "0,00", {}, AlertLevel::None, ""},
    AlertCase{"6064", "0,00", "0,01", {}, AlertLevel::Alert, "Dépassement"},
    AlertCase{"6064", "-100,00", "-50,00", {}, AlertLevel::Alert, "Dépassement"},
    AlertCase{"7060", "1000,00", "1000,00", {}, AlertLevel::None, ""},
    AlertCase{"7060", "1000,00", "1500,00", {}, AlertLevel::None, ""},
    AlertCase{"7060", "1000,00", "999,99", {}, AlertLevel::Watch, "Retard"},
    AlertCase{"7060", "1000,00", "900,00", {}, AlertLevel::Watch, "Retard"},
    AlertCase{"7060", "1000,00", "899,99", {}, AlertLevel::Alert, "Insuffisance"},
    AlertCase{"7060", "0,00", "50,00", {}, AlertLevel::None, ""},
    AlertCase{"7060", "999999999,99", "899999999,98", {}, AlertLevel::Alert, "Insuffisance"}));

struct ThresholdCase {
    const char* account;
    Thresholds expected;
};

class ThresholdsOfALine : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(ThresholdsOfALine, TheNearestSetWins) {
    const EntityThresholds entity{{"6", {7000, 8000}}, {"606", {6000, 9000}}, {"6064", {5000, 5500}}};
    const Group group{"g", {"001"}, {}, Thresholds{8500, 9500}};
    EXPECT_EQ(thresholdsOf(entity, GetParam().account, group), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ThresholdsOfALine, ::testing::Values(
    ThresholdCase{"6064000000", {5000, 5500}},    // the line's own
    ThresholdCase{"6063000000", {6000, 9000}},    // its sub-sub-class
    ThresholdCase{"6130000000", {7000, 8000}},    // its class
    ThresholdCase{"7060000000", {8500, 9500}}));  // the group's

TEST(GroupThresholds, AnEntityWithoutAnyTakesTheGroupsThenNinetyAndAHundred) {
    EXPECT_EQ(thresholdsOf({{"", {1000, 2000}}}, "7060000000", Group{"g", {"001"}}), (Thresholds{1000, 2000}));
    EXPECT_EQ(thresholdsOf({}, "7060000000", Group{"g", {"001"}}), (Thresholds{9000, 10000}));
}

class GroupOfEntities : public ::testing::Test {
protected:
    // 002 and 003, whose years start a month apart: the fee that 002 pays 003 is their
    // flow, and 003 names its fees line its own way.
    void SetUp() override {
        writeDemoData(*data.db, "owner");
        data.put("BUDGETCLES", "002001", {{"Siège"}, {"S01"}, {"10000"}, {"10000"}});
        data.put("BUDGET", "N00026226000000", {{"Honoraires"}, {"0", "6"}, {"30000", "30000"}, {"001"}});
        data.put("BUDGET", "N00026281000000", {{"Cotisations liées à l'activité"}, {"4"}, {"60000"}, {"001"}});
        data.put("BUDGET", "N00037560000000", {{"Cotisations des adhérents"}, {"3"}, {"60000"}, {"001"}});
        data.put("BUDGET", "N00036226000000", {{"Honoraires et expertises"}, {"3", "9"}, {"40000", "40000"}, {"001"}});
        saveGroup(*data.db, *budgeter, Group{kNetwork, {"002", "003"}, {{"Cotisation au réseau", "6281", "756"}}});
    }
    GroupView network(GroupBasis basis = GroupBasis::Working) {
        return readGroupView(*data.db, readGroup(*data.db, kNetwork), "N", basis);
    }
    void importFec(const std::string& entity, const std::string& lines) {
        std::istringstream in(
            "JournalCode|JournalLib|EcritureNum|EcritureDate|CompteNum|CompteLib|CompAuxNum|CompAuxLib|PieceRef|PieceDate|"
            "EcritureLib|Debit|Credit|EcritureLet|DateLet|ValidDate|Montantdevise|Idevise\n" + lines);
        ASSERT_TRUE(importActuals(*data.db, entity, in).faults.empty());
    }
    static std::string posting(const std::string& date, const std::string& account, const std::string& debit,
                               const std::string& credit) {
        return "AC|Achats|1|" + date + "|" + account + "|x|||F1|" + date + "|Pièce|" + debit + "|" + credit + "|||" +
               date + "||\n";
    }
    test::TempDatabase data;
    std::shared_ptr<UserRights> budgeter = fixedRights(kFullRights);
};

TEST_F(GroupOfEntities, AddsTheMembersLinesByAccountAndCalendarMonth) {
    const GroupView view = network();
    // 002 runs from September 2026 to August 2027, 003 from October 2026 to December 2027.
    EXPECT_TRUE(view.calendarMonths);
    EXPECT_EQ(monthLabels(view), "septembre 2026 … décembre 2027 (16)");
    const GroupRow& fees = rowOf(view, "6226000000");
    EXPECT_EQ(formatAmount(fees.total), "1400,00");
    EXPECT_EQ(formatAmount(fees.byEntity[0]), "600,00");
    EXPECT_EQ(formatAmount(fees.byEntity[1]), "800,00");
    // January 2027 is 002's fifth month and 003's fourth.
    EXPECT_EQ(formatAmount(fees.months[0]), "300,00");
    EXPECT_EQ(formatAmount(fees.months[4]), "400,00");
    EXPECT_EQ(formatAmount(fees.months[6]), "300,00");
    // The reference entity names the line; the other's label is told beside it.
    EXPECT_EQ(fees.label, "Honoraires");
    EXPECT_EQ(fees.labels,
              (std::vector<std::string>{"002 : Honoraires", "003 : Honoraires et expertises"}));
    EXPECT_TRUE(rowOf(view, "7060000000").labels.empty());
    // An account that the reference has no line on takes its label from its chart, or
    // from its class.
    EXPECT_EQ(rowOf(view, "7060000000").label, "Prestations de services");
    EXPECT_EQ(rowOf(view, "7560000000").label, "Cotisations");
}

TEST_F(GroupOfEntities, LeavesTheFlowBetweenMembersOutOfTheTotals) {
    const GroupView view = network();
    EXPECT_TRUE(rowOf(view, "6281000000").eliminated);
    EXPECT_TRUE(rowOf(view, "7560000000").eliminated);
    EXPECT_FALSE(rowOf(view, "6226000000").eliminated);
    EXPECT_EQ(formatAmount(view.eliminated), "1200,00");
    EXPECT_EQ(formatAmount(view.totals.charges.total), "1400,00");
    EXPECT_EQ(formatAmount(view.totals.produits.total), "10000,00");
    EXPECT_EQ(formatAmount(view.totals.result.total), "8600,00");
    EXPECT_TRUE(view.flowGaps.empty());
}

TEST_F(GroupOfEntities, SaysByHowMuchAndWhereTheSidesOfAFlowDiffer) {
    data.put("BUDGET", "N00037560000000", {{"Cotisations des adhérents"}, {"3"}, {"50000"}, {"001"}});
    const GroupView view = network();
    ASSERT_EQ(view.flowGaps.size(), 1u);
    EXPECT_EQ(flowGapText(view.flowGaps[0]),
              "Les deux côtés du flux « Cotisation au réseau » diffèrent de 100,00 : 600,00 en charges (002 : 600,00), "
              "500,00 en produits (003 : 500,00).");
}

TEST_F(GroupOfEntities, AGroupingLineTakesTheOtherMembersLinesUnderIt) {
    // 002 budgets 613 as a whole; 003 budgets one account under it.
    data.put("BUDGET", "N00026130000000", {{"Locations"}, {"0"}, {"20000"}, {"001"}});
    data.put("BUDGET", "N00036132000000", {{"Locations immobilières"}, {"3"}, {"30000"}, {"001"}});
    const GroupView view = network();
    EXPECT_EQ(formatAmount(rowOf(view, "6130000000").total), "500,00");
    EXPECT_THROW(rowOf(view, "6132000000"), std::runtime_error);
    EXPECT_EQ(formatAmount(view.totals.charges.total), "1900,00");
}

TEST_F(GroupOfEntities, MembersOnTheSameMonthsAreNotSaidToBeAddedByCalendarMonth) {
    saveGroup(*data.db, *budgeter, Group{"Seule", {"001"}});
    const GroupView view = readGroupView(*data.db, readGroup(*data.db, "Seule"), "N", GroupBasis::Working);
    EXPECT_FALSE(view.calendarMonths);
    EXPECT_EQ(calendarNote(view), "");
    EXPECT_EQ(monthLabels(view), "janvier 2027 … décembre 2027 (12)");
}

TEST_F(GroupOfEntities, TheValidatedBasisShowsEachValidatedVersionAndTheRestAsTheyStand) {
    saveVersion(*data.db, "002", "N", "Primitif");
    validateVersion(*data.db, *budgeter, "002", "N", "Primitif");
    reviseYear(*data.db, *budgeter, "002", "N");
    data.put("BUDGET", "N00026226000000", {{"Honoraires"}, {"0"}, {"999900"}, {"001"}});
    const GroupView view = network(GroupBasis::Validated);
    EXPECT_EQ(view.members[0].shown, "Primitif");
    EXPECT_FALSE(view.members[0].fallsBack);
    EXPECT_TRUE(view.members[1].fallsBack);
    EXPECT_EQ(view.members[1].shown, "Budget de travail");
    EXPECT_EQ(formatAmount(rowOf(view, "6226000000").byEntity[0]), "600,00");
    EXPECT_EQ(formatAmount(rowOf(network(), "6226000000").byEntity[0]), "9999,00");
}

TEST_F(GroupOfEntities, AMemberWithoutActualsRaisesNoAlertInTheGroup) {
    importFec("002", posting("20260915", "622600", "300,00", ""));
    const GroupView view = network();
    const auto alerts = groupAlerts(*data.db, readGroup(*data.db, kNetwork), view, *monthIndex(view, "2027-02"));
    // 003's services and fees, budgeted, have no actuals to fall short of.
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].scope, kNetwork);
    EXPECT_EQ(alerts[0].account, "6226000000");
    EXPECT_EQ(formatAmount(alerts[0].budget), "300,00");
    EXPECT_EQ(alerts[1].scope, "002");
}

TEST_F(GroupOfEntities, AlertsCountTheYearToDateWithEachLinesThresholds) {
    // To the end of February 2027, 002 spent 400,00 of 300,00 in fees; 003 spent
    // 300,00 of its 400,00, earned 4 700,00 of 5 000,00 of services and all its fees.
    importFec("002", posting("20260915", "622600", "250,00", "") + posting("20270210", "622600", "150,00", ""));
    importFec("003", posting("20270110", "622600", "300,00", "") + posting("20261015", "706000", "", "2500,00") +
                         posting("20270115", "706000", "", "2200,00") + posting("20270115", "756000", "", "600,00"));
    setThresholds(*data.db, *budgeter, "003", "6226", Thresholds{7000, 8000});
    const GroupView view = network();
    const auto through = monthIndex(view, "2027-02");
    ASSERT_TRUE(through);
    EXPECT_EQ(formatAmount(toDate(rowOf(view, "6226000000").months, *through)), "700,00");
    std::ostringstream csv;
    writeAlertsCsv(groupAlerts(*data.db, readGroup(*data.db, kNetwork), view, *through), csv);
    EXPECT_EQ(csv.str(),
              "\xEF\xBB\xBFPérimètre;Compte;Libellé;Budget à date;Réalisé à date;Taux;Seuil;Alerte\r\n"
              "\"=\"\"002\"\"\";6226000000;Honoraires;300,00;400,00;133,33 %;100,00 %;Dépassement\r\n"
              "Réseau associatif;6226000000;Honoraires;700,00;700,00;100,00 %;90,00 %;Vigilance\r\n"
              "Réseau associatif;7060000000;Prestations de services;5000,00;4700,00;94,00 %;100,00 %;Retard\r\n"
              "\"=\"\"003\"\"\";6226000000;Honoraires et expertises;400,00;300,00;75,00 %;70,00 %;Vigilance\r\n"
              "\"=\"\"003\"\"\";7060000000;Prestations de services;5000,00;4700,00;94,00 %;100,00 %;Retard\r\n");
}

struct RefusalCase {
    Group group;
    const char* message;
};

class GroupRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(GroupRefusals, NothingIsWrittenAndThePersonIsToldWhy) {
    test::TempDatabase data;
    writeDemoData(*data.db, "owner");
    try {
        saveGroup(*data.db, *fixedRights(kFullRights), GetParam().group);
        FAIL() << "saved";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
    EXPECT_EQ(groupNames(*data.db), (std::vector<std::string>{kAllEntities}));
}

INSTANTIATE_TEST_SUITE_P(Table, GroupRefusals, ::testing::Values(
    RefusalCase{{"  ", {"001"}}, "Donnez un nom au groupe."},
    RefusalCase{{"Nord\tSud", {"001"}}, "Le nom d'un groupe ne contient pas de caractère de contrôle."},
    RefusalCase{{std::string(61, 'x'), {"001"}}, "Le nom d'un groupe tient en 60 caractères."},
    RefusalCase{{"Vide", {}}, "Un groupe réunit au moins une entité."},
    RefusalCase{{"Nord", {"001", "009"}}, "L'entité 009 n'existe pas."},
    RefusalCase{{"Nord", {"001", "001"}}, "L'entité 001 est nommée deux fois dans le groupe."},
    RefusalCase{{kAllEntities, {"001"}}, "« Toutes les entités » réunit toujours toutes les entités."},
    RefusalCase{{"Nord", {"001"}, {{"Frais", "7060", "7560"}}},
                "Le flux « Frais » paie sur un compte de charges (classe 6), pas sur « 7060000000 »."},
    RefusalCase{{"Nord", {"001"}, {{"Frais", "6281", "62a"}}},
                "Le flux « Frais » est reçu sur un compte de produits (classe 7), pas sur « 62a »."},
    RefusalCase{{"Nord", {"001"}, {}, Thresholds{9500, 9000}},
                "Les seuils vont de 0 % à 1 000 %, le seuil de vigilance avant celui de dépassement."}));

TEST(GroupRights, OnlyWhoeverBudgetsAtFullRightsChangesAGroup) {
    test::TempDatabase data;
    writeDemoData(*data.db, "owner");
    auto reader = fixedRights(0);
    EXPECT_THROW(saveGroup(*data.db, *reader, Group{"Nord", {"001"}}), std::runtime_error);
    EXPECT_THROW(setThresholds(*data.db, *reader, "001", "", Thresholds{}), std::runtime_error);
    EXPECT_EQ(groupNames(*data.db).size(), 1u);
}

// What an import of records may have left in the files is read, never thrown at the
// person: thresholds that are no whole numbers count as none.
TEST(GroupThresholds, ThresholdsThatDoNotReadAreNone) {
    test::TempDatabase data;
    writeDemoData(*data.db, "owner");
    data.put("GROUPES", "Nord", {{"Nord"}, {"001"}, {}, {}, {}, {"huit", "99999999999999999999"}});
    data.put("SEUILS", "0016064", {{"8000"}});
    EXPECT_FALSE(readGroup(*data.db, "Nord").thresholds);
    EXPECT_TRUE(readThresholds(*data.db, "001").empty());
    // A line's account of zeros names no line and no class.
    EXPECT_THROW(setThresholds(*data.db, *fixedRights(kFullRights), "001", "0000", Thresholds{}), std::runtime_error);
}

TEST(DemoGroup, ItsFlowIsLeftOutOfNextYearsTotals) {
    test::TempDatabase data;
    writeDemoData(*data.db, "owner");
    writeDemoGroup(*data.db);
    const GroupView view = readGroupView(*data.db, readGroup(*data.db, "Réseau du Livre"), "N+1", GroupBasis::Working);
    EXPECT_EQ(formatAmount(view.eliminated), "1200,00");
    EXPECT_EQ(formatAmount(view.totals.charges.total), "1500,00");
    EXPECT_TRUE(view.flowGaps.empty());
}

TEST(GroupOfAllEntities, AlwaysHoldsEveryEntityAndKeepsItsOwnFlows) {
    test::TempDatabase data;
    writeDemoData(*data.db, "owner");
    auto budgeter = fixedRights(kFullRights);
    saveGroup(*data.db, *budgeter, Group{kAllEntities, {}, {{"Cotisation", "6281", "756"}}});
    data.put("ASSOCIATION", "004", {{"Nouvelle entité"}});
    const Group all = readGroup(*data.db, kAllEntities);
    EXPECT_EQ(all.entities, (std::vector<std::string>{"001", "002", "003", "004"}));
    EXPECT_EQ(all.flows, (std::vector<Flow>{{"Cotisation", "6281000000", "7560000000"}}));
    EXPECT_THROW(deleteGroup(*data.db, *budgeter, kAllEntities), std::runtime_error);
}

}  // namespace ondrel
