#include "grid/year_grid.h"
#include "grid/pasted_block.h"

#include <map>

#include <gtest/gtest.h>

#include "tests/store/temp_database.h"
#include "admin/demo_data.h"

namespace ondrel {

namespace {

Currency cents(std::int64_t c) {
    return Currency::fromHundredths(c);
}

std::vector<std::int64_t> centsOf(const YearGrid::Line& line) {
    std::vector<std::int64_t> out;
    for (const auto& a : line.periods)
        out.push_back(a ? a->floorHundredths() : -1);
    return out;
}

// One line on twelve months, as given (-1: no amount).
BudgetSheet sheetOf(const std::vector<std::int64_t>& months) {
    BudgetSheet sheet;
    sheet.entity = "001";
    sheet.year = "N";
    BudgetSheet::Line line;
    line.account = "6064000000";
    line.label = "Fournitures";
    line.key = "001";
    line.revision = 4;
    for (std::size_t p = 0; p < months.size(); ++p) {
        sheet.periodLabels.push_back("mois " + std::to_string(p));
        line.periods.push_back(months[p] < 0 ? std::nullopt : std::optional<Currency>(cents(months[p])));
    }
    sheet.lines.push_back(line);
    return sheet;
}

}  // namespace

// Each spread to the cent, the total always the sum of the months.
TEST(YearGrid, SpreadsAndRaisesToTheCent) {
    struct Case {
        const char* what;
        std::vector<std::int64_t> months;
        std::function<void(YearGrid&)> edit;
        std::vector<std::int64_t> expected;
    } cases[] = {
        {"an even total", {0, 0, 0, 0}, [](YearGrid& g) { g.setTotal(0, cents(100000), YearGrid::Spread::Evenly); },
         {25000, 25000, 25000, 25000}},
        {"an uneven total, the rest on the last month", {0, 0, 0}, [](YearGrid& g) { g.setTotal(0, cents(10000), YearGrid::Spread::Evenly); },
         {3333, 3333, 3334}},
        {"the profile kept, doubled", {1000, 3000, -1, 6000}, [](YearGrid& g) { g.setTotal(0, cents(20000), YearGrid::Spread::KeepingProfile); },
         {2000, 6000, -1, 12000}},
        {"the profile kept, the cents left on the last month", {100, 100, 100}, [](YearGrid& g) { g.setTotal(0, cents(1000), YearGrid::Spread::KeepingProfile); },
         {333, 333, 334}},
        {"a profile of nothing spreads evenly", {0, 0}, [](YearGrid& g) { g.setTotal(0, cents(101), YearGrid::Spread::KeepingProfile); },
         {50, 51}},
        {"raised by 3,5 %", {10000, 35050, -1}, [](YearGrid& g) { EXPECT_FALSE(g.raise({0}, 350)); }, {10350, 36277, -1}},
        {"lowered by 10 %, halves away from zero", {105, 5}, [](YearGrid& g) { EXPECT_FALSE(g.raise({0}, -1000)); }, {95, 5}},
        {"filled right", {100, 250, 0, -1}, [](YearGrid& g) { EXPECT_FALSE(g.fillRight(0, 1)); }, {100, 250, 250, 250}},
        {"one month typed", {100, 100}, [](YearGrid& g) { g.setAmount(0, 1, cents(4200)); }, {100, 4200}},
        {"one month emptied", {100, 100}, [](YearGrid& g) { g.setAmount(0, 0, std::nullopt); }, {-1, 100}},
        {"a seasonal profile", {100, 100, 100, 100}, [](YearGrid& g) { g.spreadByProfile(0, {5000, 2500, 2500, 0}); },
         {200, 100, 100, 0}},
        {"the other year's months", {1, 2, 3}, [](YearGrid& g) { g.copyMonths(0, {cents(7), std::nullopt}); }, {7, -1, -1}},
    };
    for (const auto& c : cases) {
        YearGrid grid(sheetOf(c.months));
        c.edit(grid);
        EXPECT_EQ(centsOf(grid.lines()[0]), c.expected) << c.what;
        std::int64_t sum = 0;
        for (auto v : c.expected)
            sum += v < 0 ? 0 : v;
        EXPECT_EQ(grid.total(0).floorHundredths(), sum) << c.what;
    }
}

// A command that would take a line's total past what a line holds changes nothing,
// in any line it was given, and leaves no step to undo.
TEST(YearGrid, ACommandPastTheLargestTotalChangesNothing) {
    const struct {
        const char* what;
        std::vector<std::int64_t> months;
        std::function<std::optional<std::string>(YearGrid&)> command;
        const char* total;
    } cases[] = {
        {"filled right", {25000000000, 0, -1, -1}, [](YearGrid& g) { return g.fillRight(0, 0); },
         "1\u00A0000\u00A0000\u00A0000,00"},
        {"raised by 0,01 %", {49999999999, 50000000000}, [](YearGrid& g) { return g.raise({0}, 1); },
         "1\u00A0000\u00A0099\u00A0999,99"},
    };
    for (const auto& c : cases) {
        YearGrid grid(sheetOf(c.months));
        EXPECT_EQ(c.command(grid).value_or(""), std::string("Le total du compte 6064000000 passerait à ") + c.total +
                                                    " : une ligne tient en 999\u00A0999\u00A0999,99 au plus.") << c.what;
        EXPECT_EQ(centsOf(grid.lines()[0]), c.months) << c.what;
        EXPECT_FALSE(grid.canUndo()) << c.what;
    }
}

TEST(YearGrid, UndoAndRedoEveryStepUntilSaved) {
    YearGrid grid(sheetOf({100, 100, 100}));
    EXPECT_FALSE(grid.canUndo());
    grid.setAmount(0, 0, cents(500));
    EXPECT_FALSE(grid.fillRight(0, 0));
    grid.setAmount(0, 1, cents(500));   // the same again: no step
    EXPECT_EQ(centsOf(grid.lines()[0]), (std::vector<std::int64_t>{500, 500, 500}));
    grid.undo();
    EXPECT_EQ(centsOf(grid.lines()[0]), (std::vector<std::int64_t>{500, 100, 100}));
    grid.undo();
    EXPECT_FALSE(grid.canUndo());
    EXPECT_FALSE(grid.changed()) << "back as read";
    grid.redo();
    EXPECT_TRUE(grid.changed());
    EXPECT_TRUE(grid.canRedo());
    EXPECT_FALSE(grid.raise({0}, 1000));   // a new step drops what was undone
    EXPECT_FALSE(grid.canRedo());
    EXPECT_EQ(centsOf(grid.lines()[0]), (std::vector<std::int64_t>{550, 110, 110}));
    const auto rows = grid.changedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].readAt, 4);
    EXPECT_EQ(rows[0].line.total, cents(770));
    EXPECT_EQ(rows[0].line.periods.size(), 3u);
}

// Read again after another desk's save, the grid keeps the changes made here to the
// lines nobody else changed, and names those that gave way.
TEST(YearGrid, ReadAgainKeepsWhatNobodyElseChanged) {
    const auto line = [](const char* account, std::int64_t revision, std::int64_t january) {
        BudgetSheet::Line l;
        l.account = account;
        l.label = "Ligne";
        l.key = "001";
        l.revision = revision;
        l.periods = {cents(january)};
        return l;
    };
    BudgetSheet read{"001", "N", {"janvier"}, {}};
    read.lines = {line("6061000000", 3, 100), line("6064000000", 5, 100), line("6130000000", 7, 100), line("6135000000", 2, 100)};
    YearGrid grid(read);
    grid.setAmount(0, 0, cents(111));   // nobody else changes 6061: kept
    grid.setAmount(1, 0, cents(222));   // another desk changes 6064: gives way
    grid.setAmount(3, 0, cents(444));   // another desk takes 6135 away: gives way
    grid.addLine({"6251000000", "Voyages", "001", {cents(555)}, 0, true, {}, {}});   // new here, absent there: kept
    grid.addLine({"6257000000", "Réceptions", "001", {cents(666)}, 0, true, {}, {}});   // made there meanwhile: gives way

    BudgetSheet stored{"001", "N", {"janvier"}, {}};
    stored.lines = {line("6061000000", 3, 100), line("6064000000", 6, 900), line("6130000000", 8, 300),
                    line("6257000000", 1, 700)};
    const auto gaveWay = grid.readAgain(stored);
    EXPECT_EQ(gaveWay, (std::vector<std::string>{"6064000000", "6135000000", "6257000000"}));
    std::map<std::string, std::pair<std::int64_t, bool>> seen;
    for (const auto& l : grid.lines())
        seen[l.account] = {l.periods.at(0)->floorHundredths(), l.changed};
    const std::map<std::string, std::pair<std::int64_t, bool>> expected{
        {"6061000000", {111, true}}, {"6064000000", {900, false}}, {"6130000000", {300, false}},
        {"6251000000", {555, true}}, {"6257000000", {700, false}}};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(grid.canUndo());
    ASSERT_EQ(grid.changedRows().size(), 2u);
    EXPECT_EQ(grid.changedRows()[0].readAt, 3) << "kept over the revision it was read at";
}

// A block lands whole or not at all: what the grid has no line for, or a line total
// past what an amount zone holds, refuses it with nothing pasted.
TEST(YearGrid, APastedBlockIsRefusedWholeWhereALineCannotTakeIt) {
    struct Case {
        const char* what;
        std::size_t row, period;
        std::vector<std::vector<std::string>> cells;
        const char* refusal;   // nullptr: pasted
    } cases[] = {
        {"two months", 0, 1, {{"1,00", "2"}}, nullptr},
        {"on the empty row below the lines", 1, 0, {{"5"}},
         "la ligne « Nouveau compte… » n'a pas encore de compte : tapez-y d'abord le compte de la nouvelle ligne, puis collez "
         "ses mois."},
        {"a line total past the largest", 0, 0, {{"999999999,99", "0,01"}},
         "Le total du compte 6064000000 passerait à 1\u00A0000\u00A0000\u00A0000,00 : une ligne tient en "
         "999\u00A0999\u00A0999,99 au plus."},
        {"by account, the total past the largest", 0, 0, {{"6064000000", "Fournitures", "999999999,99", "1"}},
         "Le total du compte 6064000000 passerait à 1\u00A0000\u00A0000\u00A0000,99 : une ligne tient en "
         "999\u00A0999\u00A0999,99 au plus."},
    };
    for (const auto& c : cases) {
        const YearGrid grid(sheetOf({0, 0, 0}));
        const PastePlan plan = planPaste(grid, {0}, c.row, c.period, c.cells);
        EXPECT_EQ(plan.refusal.value_or(""), c.refusal ? c.refusal : "") << c.what;
        EXPECT_EQ(plan.amounts.empty(), c.refusal != nullptr) << c.what;
    }
}

// Whole rows pasted with another key or a total that is not their months' sum: the
// months land, and a note says what the line kept.
TEST(YearGrid, APastedRowsKeyAndTotalThatTheLineDoesNotTakeAreNamed) {
    const YearGrid grid(sheetOf({0, 0, 0}));
    const PastePlan plan =
        planPaste(grid, {0}, 0, 0, {{"6064000000", "Fournitures", "2", "10,00", "1", "2", "3"}});
    ASSERT_FALSE(plan.refusal);
    EXPECT_EQ(plan.amounts.size(), 3u);
    EXPECT_EQ(plan.notes, (std::vector<std::string>{
                              "ligne 1 du collage (6064000000) : la clé « 2 » n'est pas reprise ; la ligne garde la clé 001.",
                              "ligne 1 du collage (6064000000) : le total « 10,00 » n'est pas repris ; la ligne totalise "
                              "ses mois, 6,00."}));
    EXPECT_TRUE(planPaste(grid, {0}, 0, 0, {{"6064000000", "Fournitures", "1", "6", "1", "2", "3"}}).notes.empty())
        << "the same key, padded, and the months' sum";
}

// The grid's lines go through the screen's checks in one transaction: a line that
// another desk changed since is named and nothing is written; a line the screen refuses
// is named with the screen's message.
class YearGridSave : public ::testing::Test {
protected:
    void SetUp() override { writeDemoData(*data.db, "owner"); }
    test::TempDatabase data;
};

TEST_F(YearGridSave, ChangedLinesAreSavedThroughTheScreenOrNothingIs) {
    YearGrid grid(readBudgetSheet(*data.db, "001", "N"));
    ASSERT_EQ(grid.lines().size(), 2u);
    grid.setTotal(0, cents(240000), YearGrid::Spread::KeepingProfile);
    grid.setAmount(1, 2, cents(1000));
    // Another desk saves the second line meanwhile.
    auto other = Database::open(data.db->location());
    Record theirs = other->OpenFile("BUDGET").ReadRecord("N00016130000000");
    theirs.setValue(1, 1, "Loyers");
    theirs.DBWrite();
    auto report = writeBudgetRows(data.db, fixedRights(kFullRights), grid.changedRows(), {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    ASSERT_EQ(report.faults.size(), 1u);
    EXPECT_EQ(report.faults[0], "ligne 2 (6130000000) : cette ligne a été modifiée par un autre poste depuis son affichage ; "
                                "relisez-la avant de l'enregistrer.");
    EXPECT_EQ(data.db->read("BUDGET", "N00016064000000")->value(3, 1), "10000") << "nothing was written";

    // Read again, the same change is saved; the first line keeps its twelve months.
    YearGrid again(readBudgetSheet(*data.db, "001", "N"));
    again.setTotal(0, cents(240000), YearGrid::Spread::KeepingProfile);
    again.setAmount(1, 2, cents(1000));
    report = writeBudgetRows(data.db, fixedRights(kFullRights), again.changedRows(), {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    ASSERT_TRUE(report.faults.empty()) << report.faults.front();
    EXPECT_EQ(report.changed, 2);
    const auto saved = data.db->read("BUDGET", "N00016064000000");
    EXPECT_EQ(saved->value(3, 1), "20000");
    EXPECT_EQ(saved->value(3, 12), "20000");
    EXPECT_EQ(data.db->read("BUDGET", "N00016130000000")->value(1, 1), "Loyers") << "their label stays";

    // An amount the screen refuses: ten digits before the comma.
    YearGrid refused(readBudgetSheet(*data.db, "001", "N"));
    refused.setAmount(0, 0, cents(100000000000));
    report = writeBudgetRows(data.db, fixedRights(kFullRights), refused.changedRows(), {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    ASSERT_EQ(report.faults.size(), 1u);
    EXPECT_EQ(report.faults[0].rfind("ligne 1 (6064000000) : ", 0), 0u) << report.faults[0];
}

// A reader's grid writes nothing, whoever calls the save: not a month, not a note.
TEST_F(YearGridSave, AReadersRowsAreRefusedWithTheScreensWords) {
    YearGrid grid(readBudgetSheet(*data.db, "001", "N"));
    grid.setAmount(0, 0, std::nullopt);
    grid.setNote(1, "Hausse des loyers");
    const auto before = data.db->read("BUDGET", "N00016064000000")->revision();
    const auto report = writeBudgetRows(data.db, storedRights(data.db, "lecteur"), grid.changedRows(),
                                        {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    ASSERT_EQ(report.faults.size(), 1u);
    EXPECT_EQ(report.faults[0], "Vos droits sur cet écran ne permettent pas d'enregistrer ni de supprimer un budget.");
    EXPECT_EQ(data.db->read("BUDGET", "N00016064000000")->revision(), before);
    EXPECT_TRUE(readBudgetSheet(*data.db, "001", "N").lines.at(1).note.empty());
}

}  // namespace ondrel
