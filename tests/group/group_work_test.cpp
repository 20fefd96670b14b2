// Work on a whole group at once: each entity's lines through the screen's checks, all
// in one transaction, entity by entity in a dry run, a validated year refused or left.
#include <sstream>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "admin/demo_data.h"
#include "budget/budget_lock.h"
#include "group/group_work.h"
#include "platform/rights.h"
#include "versions/validation.h"

namespace ondrel {

namespace {

constexpr const char* kNetwork = "Réseau du Livre";   // 001 and 003

std::string counts(const EntityWork& w) {
    return w.entity + " " + std::to_string(w.report.created) + "/" + std::to_string(w.report.changed) + "/" +
           std::to_string(w.report.unchanged) + (w.lockedBy.empty() ? "" : " validé");
}

std::vector<std::string> countsOf(const GroupWorkReport& report) {
    std::vector<std::string> all;
    for (const auto& w : report.entities)
        all.push_back(counts(w));
    return all;
}

}  // namespace

class GroupWork : public ::testing::Test {
protected:
    void SetUp() override {
        writeDemoData(*data.db, "owner");
        writeDemoGroup(*data.db);
        group = readGroup(*data.db, kNetwork);
    }
    std::size_t lines(const std::string& entity, const std::string& year) {
        return readBudgetSheet(*data.db, entity, year).lines.size();
    }
    void validate(const std::string& entity) {
        saveVersion(*data.db, entity, "N", "Primitif");
        validateVersion(*data.db, *rights, entity, "N", "Primitif");
    }
    test::TempDatabase data;
    std::shared_ptr<UserRights> rights = fixedRights(kFullRights);
    Group group;
};

TEST_F(GroupWork, ACopyOfTheGroupSaysEachEntitysLinesAndADryRunWritesNothing) {
    const auto dry = copyGroupYear(data.db, rights, group, "N", "N+1", 300, "", {.run = BudgetWriting::Run::DryRun});
    EXPECT_TRUE(dry.faults.empty());
    EXPECT_FALSE(dry.written);
    // 001's supplies are already in N+1 and kept; 003's services come in new.
    EXPECT_EQ(countsOf(dry), (std::vector<std::string>{"001 1/0/0", "003 1/0/0"}));
    EXPECT_EQ(dry.entities[0].report.kept.size(), 1u);
    EXPECT_EQ(lines("003", "N+1"), 1u);
    const auto done = copyGroupYear(data.db, rights, group, "N", "N+1", 300, "", {});
    EXPECT_TRUE(done.written);
    EXPECT_EQ(lines("001", "N+1"), 3u);
    EXPECT_EQ(lines("003", "N+1"), 2u);
    // 10 000,00 + 3 %, spread again over the twelve months of 003's next year.
    const auto next = readBudgetSheet(*data.db, "003", "N+1");
    EXPECT_EQ(formatAmount(next.lines.back().total), "10300,00");
    EXPECT_EQ(formatAmount(*next.lines.back().periods.front()), "858,33");
}

TEST_F(GroupWork, AValidatedYearRefusesTheWholeWorkOrIsLeftAsItStands) {
    validate("003");
    data.put("BUDGET", "N10036064000000", {{"Fournitures administratives"}, {"0"}, {"10000"}, {"001"}});
    const auto refused = copyGroupYear(data.db, rights, group, "N+1", "N", 0, "", {.onFile = OnFile::Replace});
    ASSERT_EQ(refused.faults.size(), 1u);
    EXPECT_TRUE(refused.faults[0].starts_with("entité 003 : exercice N validé, laissé tel quel (Validé le "));
    EXPECT_FALSE(refused.written);
    EXPECT_EQ(lines("001", "N"), 2u);
    const auto skipped = copyGroupYear(data.db, rights, group, "N+1", "N", 0, "",
                                       {.validated = ValidatedYears::Skip, .onFile = OnFile::Replace});
    EXPECT_TRUE(skipped.faults.empty());
    EXPECT_TRUE(skipped.written);
    EXPECT_EQ(countsOf(skipped), (std::vector<std::string>{"001 1/1/0", "003 0/0/0 validé"}));
    EXPECT_EQ(lines("003", "N"), 1u);
}

TEST_F(GroupWork, ALineRefusedInOneEntityWritesNothingInAny) {
    std::vector<BudgetRow> rows{
        {2, {"001", "N", "6064", "Fournitures administratives", "001", *parseAmount("1500,00"), {}}},
        {3, {"003", "N", "6064", "Fournitures administratives", "009", *parseAmount("100,00"), {}}}};
    const auto report = importGroupRows(data.db, rights, group, rows, {.onFile = OnFile::Replace});
    ASSERT_EQ(report.faults.size(), 1u);
    EXPECT_EQ(report.faults[0],
              "entité 003, ligne 3 (6064) : la clé de répartition « 009 » n'existe pas pour l'entité 003.");
    EXPECT_EQ(data.db->read("BUDGET", "N00016064000000")->value(3, 1), "10000");
    rows.push_back({4, {"002", "N", "6064", "Fournitures", "001", *parseAmount("1,00"), {}}});
    EXPECT_EQ(importGroupRows(data.db, rights, group, rows, {}).faults,
              std::vector<std::string>{"ligne 4 : l'entité 002 n'est pas du groupe « Réseau du Livre »"});
}

TEST_F(GroupWork, TheGroupsLinesGoOutAndComeBackUnchangedWhateverTheirYears) {
    std::vector<BudgetSheet> sheets{readBudgetSheet(*data.db, "001", "N"), readBudgetSheet(*data.db, "003", "N")};
    std::stringstream csv;
    writeBudgetCsv(sheets, csv);
    std::string header;
    std::getline(csv, header);
    // Twelve months for one, fifteen for the other: the columns are their places.
    EXPECT_NE(header.find("\"=\"\"Période 15\"\"\";Note"), std::string::npos) << header;
    csv.seekg(0);
    std::vector<std::string> faults;
    const auto rows = readBudgetCsv(csv, faults);
    ASSERT_TRUE(faults.empty());
    const auto report = importGroupRows(data.db, rights, group, rows, {.run = BudgetWriting::Run::DryRun,
                                                                       .onFile = OnFile::Replace});
    EXPECT_EQ(countsOf(report), (std::vector<std::string>{"001 0/0/2", "003 0/0/1"}));
}

TEST_F(GroupWork, AVersionOfTheGroupIsValidatedEverywhereOrNowhere) {
    auto budgeter = fixedRights(kFullRights);
    struct OnlyBudgets : UserRights {
        std::shared_ptr<ScreenRights> RightsForKey(const std::string& key) override {
            return fixedRights(key == kScreenKey ? kFullRights : 0)->RightsForKey(key);
        }
    } notValidator;
    const auto refused = saveGroupVersion(*data.db, notValidator, group, "N", "Primitif", VersionStep::Validate, {});
    EXPECT_EQ(refused.faults.size(), 2u);
    EXPECT_FALSE(refused.written);
    EXPECT_TRUE(listVersions(*data.db, "001", "N").empty());
    const auto done = saveGroupVersion(*data.db, *budgeter, group, "N", "Primitif", VersionStep::Validate, {});
    EXPECT_TRUE(done.written);
    EXPECT_TRUE(budgetLock(*data.db, "N0", "001"));
    EXPECT_TRUE(budgetLock(*data.db, "N0", "003"));
}

}  // namespace ondrel
