// The budget cycle on the records: versions frozen as saved, the lock of a validated
// year kept by the store itself, the revision, the comparison and the landing.
#include <sstream>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "actuals/actuals.h"
#include "actuals/profiles.h"
#include "admin/demo_data.h"
#include "budget/budget_lock.h"
#include "budget/line_note.h"
#include "sheets/budget_import.h"
#include "store/store_error.h"
#include "versions/landing.h"
#include "versions/validation.h"
#include "versions/version_comparison.h"

namespace ondrel {

namespace {

constexpr const char* kAchats = "N00016064000000";     // 1 200,00, 100,00 a month
constexpr const char* kLocations = "N00016130000000";  // 1 550,50: 1 200,00 in January, 350,50 in July

// Full rights on the budget screen, none to validate.
struct BudgeterRights : UserRights {
    std::shared_ptr<ScreenRights> RightsForKey(const std::string& key) override {
        return fixedRights(key == kScreenKey ? kFullRights : 0)->RightsForKey(key);
    }
};

std::string amounts(const BudgetSheet::Line& line) {
    std::string text;
    for (const auto& p : line.periods) {
        if (!text.empty())
            text += ' ';
        text += p ? formatAmount(*p) : std::string("-");
    }
    return text;
}

}  // namespace

class BudgetCycle : public ::testing::Test {
protected:
    void SetUp() override {
        writeDemoData(*data.db, "owner");
        data.db->signIn("marie");
    }
    Version save(const std::string& name) { return saveVersion(*data.db, "001", "N", name); }
    Version validate(const std::string& name) { return validateVersion(*data.db, *validator, "001", "N", name); }
    void relabel(const char* key, const std::string& label) {
        auto r = *data.db->read("BUDGET", key);
        r.setValue(1, 1, label);
        data.db->write("BUDGET", r);
    }
    // The working budget's rows as an import reads them.
    std::vector<BudgetRow> exportedRows() {
        std::ostringstream csv;
        writeBudgetCsv(readBudgetSheet(*data.db, "001", "N"), csv);
        std::istringstream in(csv.str());
        std::vector<std::string> faults;
        auto rows = readBudgetCsv(in, faults);
        EXPECT_TRUE(faults.empty());
        return rows;
    }
    std::uint32_t refusal(const std::function<void()>& work) {
        try {
            work();
        } catch (const DataError& e) {
            return e.number();
        }
        return 0;
    }

    test::TempDatabase data;
    std::shared_ptr<UserRights> validator = fixedRights(kFullRights);
};

// A version keeps every line as it was saved, notes too, whatever the working budget
// becomes; names are unique whatever their letter case.
TEST_F(BudgetCycle, AVersionIsAFrozenCopyOfTheYear) {
    ASSERT_TRUE(saveNote(*data.db, kAchats, "Hausse du papier\nprévue"));
    const Version v = save("Budget primitif 2027");
    EXPECT_EQ(v.key, "N0001.001");
    EXPECT_EQ(v.savedBy, data.db->user());   // a server names its role
    relabel(kAchats, "Papeterie");
    saveNote(*data.db, kAchats, "");

    const BudgetSheet frozen = readVersion(*data.db, "001", "N", v);
    ASSERT_EQ(frozen.lines.size(), 2u);
    EXPECT_EQ(frozen.lines[0].label, "Fournitures administratives");
    EXPECT_EQ(frozen.lines[0].note, "Hausse du papier\nprévue");
    EXPECT_EQ(amounts(frozen.lines[1]), "1200,00 - - - - - 350,50 - - - - -");
    EXPECT_EQ(frozen.lines[1].total.floorHundredths(), 155050);

    EXPECT_THROW(save("budget PRIMITIF 2027"), std::runtime_error);
    EXPECT_THROW(save("  "), std::runtime_error);
    EXPECT_THROW(save("Une\tversion"), std::runtime_error);
    EXPECT_EQ(save("Décision modificative n° 1").key, "N0001.002");
    deleteVersion(*data.db, "001", "N", "décision modificative N° 1");
    EXPECT_EQ(listVersions(*data.db, "001", "N").size(), 1u);
    // A deleted version's number is not given again: its lines' history stays its own.
    const Version next = save("Décision modificative n° 1");
    EXPECT_EQ(next.key, "N0001.003");
    EXPECT_EQ(data.db->history(kVersionLinesFile, next.key + std::string(kAchats).substr(5)).size(), 1u);
}

// Validated, the year's lines and notes are refused by the store itself, whoever
// writes them and however; the revision lifts the lock and leaves the version frozen.
TEST_F(BudgetCycle, AValidatedYearIsLockedUntilItsRevision) {
    BudgeterRights budgeter;
    try {
        validateVersion(*data.db, budgeter, "001", "N", "Budget primitif 2027");
        FAIL() << "a budgeter validated";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), noValidationRight());
    }
    EXPECT_TRUE(listVersions(*data.db, "001", "N").empty()) << "nothing saved by a refused validation";

    const Version v = validate("Budget primitif 2027");
    EXPECT_TRUE(v.validated);
    EXPECT_EQ(v.validatedBy, data.db->user());
    const auto lock = budgetLock(*data.db, "N0", "001");
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->version, "Budget primitif 2027");

    EXPECT_EQ(refusal([&] { relabel(kAchats, "Papeterie"); }), kBudgetLocked);
    EXPECT_EQ(refusal([&] { data.db->remove("BUDGET", kLocations); }), kBudgetLocked);
    EXPECT_EQ(refusal([&] { saveNote(*data.db, kAchats, "Pourquoi"); }), kBudgetLocked);
    const auto report = writeBudgetRows(data.db, fixedRights(kFullRights), exportedRows(), {.onFile = OnFile::Replace});
    ASSERT_EQ(report.faults.size(), 1u);
    EXPECT_NE(report.faults[0].find(lockRefusal(*lock)), std::string::npos) << report.faults[0];
    EXPECT_THROW(deleteVersion(*data.db, "001", "N", v.name), std::runtime_error);
    EXPECT_THROW(validate("Autre"), std::runtime_error) << "a locked year is validated once";
    data.put("BUDGET", "N10016251000000", {{"L'autre exercice"}, {"0"}, {"100"}, {"001"}});   // not locked

    EXPECT_THROW(reviseYear(*data.db, budgeter, "001", "N"), std::runtime_error);
    reviseYear(*data.db, *validator, "001", "N");
    EXPECT_FALSE(budgetLock(*data.db, "N0", "001"));
    EXPECT_THROW(reviseYear(*data.db, *validator, "001", "N"), std::runtime_error);
    relabel(kAchats, "Papeterie");
    EXPECT_EQ(readVersion(*data.db, "001", "N", v).lines[0].label, "Fournitures administratives");
    EXPECT_THROW(validate("Budget primitif 2027"), std::runtime_error) << "validated once";
    EXPECT_EQ(validate("Décision modificative n° 1").key, "N0001.002");
}

// A version that the working budget no longer is cannot be validated: what would be
// locked is not what was voted.
TEST_F(BudgetCycle, OnlyTheWorkingBudgetAsItStandsIsValidated) {
    save("Projet");
    relabel(kLocations, "Loyers");
    try {
        validate("Projet");
        FAIL() << "validated a version that is not the working budget";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), versionDiffers("Projet", "6130000000"));
    }
    EXPECT_FALSE(budgetLock(*data.db, "N0", "001"));
    EXPECT_FALSE(findVersion(*data.db, "001", "N", "Projet")->validated);
}

// Lines added and removed, labels and keys changed, and the totals on both sides.
TEST_F(BudgetCycle, TwoBudgetsCompareLineByLineAndByClass) {
    const Version v = save("Budget primitif 2027");
    relabel(kAchats, "Papeterie");
    auto r = *data.db->read("BUDGET", kLocations);
    r.setValue(4, 1, "001");
    data.db->write("BUDGET", r);
    data.put("BUDGET", "N00016251000000", {{"Voyages"}, {"0"}, {"24000"}, {"001"}});
    const auto c = compareSheets(*data.db, v.name, readVersion(*data.db, "001", "N", v), "Budget de travail",
                                 readBudgetSheet(*data.db, "001", "N"));
    ASSERT_EQ(c.lines.size(), 3u);
    EXPECT_EQ(lineChange(c.lines[0]), "libellé");
    EXPECT_EQ(lineChange(c.lines[1]), "clé");
    EXPECT_EQ(lineChange(c.lines[2]), "ajoutée");
    EXPECT_EQ(formatAmount(c.charges.leftTotal), "2750,50");
    EXPECT_EQ(formatAmount(c.charges.rightTotal), "2990,50");
    EXPECT_EQ(formatAmount(c.lines[2].right[0]), "240,00");

    const auto back = compareSheets(*data.db, "Budget de travail", readBudgetSheet(*data.db, "001", "N"), v.name,
                                    readVersion(*data.db, "001", "N", v));
    EXPECT_EQ(lineChange(back.lines[2]), "supprimée");
    std::ostringstream csv;
    writeComparisonCsv(back, csv);
    EXPECT_NE(csv.str().find(";6251000000;Voyages;supprimée;240,00;0,00;-240,00;-100,0 %;240,00;"), std::string::npos)
        << csv.str();
    EXPECT_NE(csv.str().find(";;Résultat;;-2990,50;-2750,50;240,00;-8,0 %;"), std::string::npos);
}

// The landing at the end of June: the actuals of January to June, then what the
// person chose for July to December.
struct LandingCase {
    const char* what;
    Remainder remainder;
    const char* achats;      // 6064: budget 1 200,00, actual 120,50 in January
    const char* locations;   // 6130: budget 1 550,50, actual 700,00 in July only
    const char* voyages;     // 6251: no line, actual 80,00 in February
};

void PrintTo(const LandingCase& c, std::ostream* out) {
    *out << c.what;
}

class Landing : public BudgetCycle, public ::testing::WithParamInterface<LandingCase> {};

TEST_P(Landing, ActualsToTheMonthThenTheChosenRest) {
    std::istringstream fec("EcritureDate|CompteNum|Debit|Credit\n20270115|606400|120,50|\n20270710|6135|700,00|\n"
                           "20270210|625100|80,00|\n");
    ASSERT_TRUE(importActuals(*data.db, "001", fec).faults.empty());
    saveProfile(*data.db, "001", *parseProfile("été", "0;0;0;0;0;0;50;50;0;0;0;0", *std::make_unique<std::string>()));
    const BudgetSheet landing = landingSheet(*data.db, "001", "N", "2027-06", GetParam().remainder);
    ASSERT_EQ(landing.lines.size(), 3u);
    EXPECT_EQ(amounts(landing.lines[0]), GetParam().achats);
    EXPECT_EQ(amounts(landing.lines[1]), GetParam().locations);
    EXPECT_EQ(landing.lines[2].account, "6251000000");
    EXPECT_EQ(amounts(landing.lines[2]), GetParam().voyages);
}

INSTANTIATE_TEST_SUITE_P(
    Remainders, Landing,
    ::testing::Values(
        LandingCase{"budget", {Remainder::Kind::Budget, "", false},
                    "120,50 0,00 0,00 0,00 0,00 0,00 100,00 100,00 100,00 100,00 100,00 100,00",
                    "0,00 0,00 0,00 0,00 0,00 0,00 350,50 0,00 0,00 0,00 0,00 0,00",
                    "0,00 80,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00"},
        LandingCase{"even", {Remainder::Kind::Even, "", false},
                    "120,50 0,00 0,00 0,00 0,00 0,00 179,91 179,91 179,91 179,91 179,91 179,95",
                    "0,00 0,00 0,00 0,00 0,00 0,00 258,41 258,41 258,41 258,41 258,41 258,45",
                    "0,00 80,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00"},
        LandingCase{"even, overrun kept", {Remainder::Kind::Even, "", true},
                    "120,50 0,00 0,00 0,00 0,00 0,00 179,91 179,91 179,91 179,91 179,91 179,95",
                    "0,00 0,00 0,00 0,00 0,00 0,00 258,41 258,41 258,41 258,41 258,41 258,45",
                    "0,00 80,00 0,00 0,00 0,00 0,00 -13,34 -13,34 -13,34 -13,34 -13,34 -13,30"},
        LandingCase{"profile", {Remainder::Kind::Profile, "été", false},
                    "120,50 0,00 0,00 0,00 0,00 0,00 539,75 539,75 0,00 0,00 0,00 0,00",
                    "0,00 0,00 0,00 0,00 0,00 0,00 775,25 775,25 0,00 0,00 0,00 0,00",
                    "0,00 80,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00 0,00"}),
    [](const auto& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalpha(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

// A landing is kept as a version, never validated; one without actuals or outside
// the year is refused.
TEST_F(BudgetCycle, ALandingIsAVersionThatIsNeverValidated) {
    EXPECT_THROW(landingSheet(*data.db, "001", "N", "2027-06", {}), std::runtime_error) << "no actuals yet";
    std::istringstream fec("EcritureDate|CompteNum|Debit|Credit\n20270715|606400|120,50|\n");
    ASSERT_TRUE(importActuals(*data.db, "001", fec).faults.empty());
    EXPECT_THROW(landingSheet(*data.db, "001", "N", "2027-06", {}), std::runtime_error) << "none up to June";
    EXPECT_THROW(landingSheet(*data.db, "001", "N", "2026-12", {}), std::runtime_error) << "outside the year";
    const Version landing = saveLanding(*data.db, "001", "N", "2027-07", {Remainder::Kind::Even, "", false},
                                        "Atterrissage fin juillet 2027");
    EXPECT_EQ(landing.kind, VersionKind::Landing);
    EXPECT_EQ(landing.description, "Réalisé jusqu'à juillet 2027, puis le reste du budget réparti également");
    EXPECT_THROW(validate(landing.name), std::runtime_error);
    EXPECT_FALSE(budgetLock(*data.db, "N0", "001"));
}

}  // namespace ondrel
