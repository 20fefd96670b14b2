// The budget of a large entity out and in: the overview and the year grid opened on
// 2,500 lines, a month typed, a block pasted and a new line made in the grid, their
// export to CSV and XLSX, an import of 10,000 lines and a copy of 2,500 lines to the
// next year, both checked by the screen and rolled back at the end of each run; the
// year saved as a version, compared with it, and landed at the end of June, by the
// owner and, on a server, by a budgeter.
#include <cstdio>
#include <filesystem>
#include <sstream>

#include <benchmark/benchmark.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTableView>
#include <QtTest>

#include "bench/bench_database.h"
#include "qt/overview/budget_overview.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/grid/year_grid_window.h"
#include "tests/store/temp_database.h"
#include "sheets/budget_import.h"
#include "sheets/budget_totals.h"
#include "admin/demo_data.h"
#include "sheets/screen_writer.h"
#include "versions/landing.h"
#include "versions/version_comparison.h"

using namespace ondrel;

namespace {

constexpr int kLines = 2500;
constexpr int kImported = 10000;
std::unique_ptr<test::TempDatabase> gData;

// Accounts that never nest: each ends in 1, so none is another one's prefix completed
// with zeros, which the screen takes for a grouping line above it.
std::string detailedAccount(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "6%05d0001", i);
    return number;
}

// Entity 002 with a chart of 10,000 accounts, 2,500 of them budgeted in N on twelve months.
void build() {
    gData = std::make_unique<test::TempDatabase>();
    Database& db = *gData->db;
    writeDemoData(db, "owner");
    std::vector<std::string> periods, amounts;
    for (int p = 0; p < 12; ++p) {
        periods.push_back(std::to_string(p));
        amounts.push_back(std::to_string(10000 + p));
    }
    db.inOneTransaction([&] {
        db.write("BUDGETCLES", db.makeRecord("BUDGETCLES", "002001", {{"Unique"}, {"S01"}, {"10000"}, {"10000"}}));
        db.createFile("REALISE");
        for (int i = 0; i < kImported; ++i) {
            const std::string account = detailedAccount(i);
            if (i < kLines)   // January to June spent, 95,00 a month
                db.write("REALISE", db.makeRecord("REALISE", "N0002" + account,
                                                  {{"0", "1", "2", "3", "4", "5"}, {"9500", "9500", "9500", "9500", "9500", "9500"}}));
            db.write("PLANCOMPTABLE", db.makeRecord("PLANCOMPTABLE", "002" + account, {{bench::budgetLabel(2, i)}}));
            if (i < kLines)
                db.write("BUDGET", db.makeRecord("BUDGET", "N0002" + account,
                                                 {{bench::budgetLabel(2, i)}, periods, amounts, {"001"}}));
        }
    });
}

void BM_OverviewOpen(benchmark::State& state) {
    for (auto _ : state) {
        BudgetOverview view(gData->db);
        view.choose("002", "N");
        benchmark::DoNotOptimize(view.lines()->model()->rowCount());
    }
    state.counters["lines"] = kLines;
}

void BM_YearGridOpen(benchmark::State& state) {
    for (auto _ : state) {
        YearGridWindow grid(gData->db, "002", "N", fixedRights(kFullRights));
        grid.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(grid.model()->rowCount());
    }
    state.counters["lines"] = kLines;
}

// A month typed in the 2,500-line grid as a person types it: the first key opens the
// cell, Enter takes it; the line's total and the totals below follow, and the grid is
// drawn again.
void BM_YearGridMonthTyped(benchmark::State& state) {
    YearGridWindow grid(gData->db, "002", "N", fixedRights(kFullRights));
    grid.show();
    QCoreApplication::processEvents();
    const QModelIndex cell = grid.model()->index(1200, YearGridModel::kFirstPeriod + 3);
    int n = 0;
    for (auto _ : state) {
        grid.table()->setCurrent(cell);
        for (QChar key : QString::number(100 + (++n % 50)))
            QTest::keyClicks(QApplication::focusWidget(), QString(key));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    if (grid.model()->index(1200, YearGridModel::kFirstPeriod + 3).data().toString().isEmpty())
        state.SkipWithError("the month typed was not taken");
}

// A block of 300 lines and twelve months from a spreadsheet, pasted: each value read and
// checked, one step of the grid, the grid drawn again.
void BM_YearGridPaste(benchmark::State& state) {
    YearGridWindow grid(gData->db, "002", "N", fixedRights(kFullRights));
    grid.show();
    QCoreApplication::processEvents();
    QAction* paste = nullptr;
    for (QAction* a : grid.findChildren<QAction*>())
        if (a->text() == "Coller")
            paste = a;
    QString blocks[2];
    for (int b = 0; b < 2; ++b)
        for (int r = 0; r < 300; ++r) {
            QStringList months;
            for (int p = 0; p < 12; ++p)
                months << QString("%1\u00A0%2,%3").arg(1 + b).arg(100 + r % 900).arg(10 + p);
            blocks[b] += months.join('\t') + "\r\n";
        }
    int n = 0;
    for (auto _ : state) {
        QGuiApplication::clipboard()->setText(blocks[++n % 2]);
        grid.table()->setCurrent(grid.model()->index(100, YearGridModel::kFirstPeriod));
        paste->trigger();
        QCoreApplication::processEvents();
    }
    if (!grid.model()->grid()->changed())
        state.SkipWithError("nothing was pasted");
    state.SetItemsProcessed(state.iterations() * 300 * 12);
}

// A new line typed on the grid's empty row: the account looked up by the entry screen's
// creation rules (its question answered at once here, as a person does), the line
// joining the grid, the grid drawn again.
void BM_YearGridNewLine(benchmark::State& state) {
    YearGridWindow grid(gData->db, "002", "N", fixedRights(kFullRights));
    grid.show();
    QCoreApplication::processEvents();
    ScreenWriter screen(gData->db, fixedRights(kFullRights));
    int i = kLines;
    for (auto _ : state) {
        const std::string account = detailedAccount(i++);
        if (grid.model()->grid()->newLineRefusal(account)) {
            state.SkipWithError("the grid refused a new account");
            break;
        }
        const auto opening = screen.openNewLine("002", "N", account, [](const std::string&) { return true; });
        if (!opening.line) {
            state.SkipWithError(("the screen refused a new line: " + opening.refusal.value_or("")).c_str());
            break;
        }
        grid.model()->edit([&](YearGrid& g) {
            g.addLine({opening.line->account, opening.line->label, opening.line->key, {}, 0, true, {}, {}});
        });
        QCoreApplication::processEvents();
    }
}

void BM_ExportCsv(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream out;
        writeBudgetCsv(readBudgetSheet(*gData->db, "002", "N"), out);
        benchmark::DoNotOptimize(out.str().size());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_ExportXlsx(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "ondrel-bench-budget.xlsx").string();
    for (auto _ : state) {
        const BudgetSheet sheet = readBudgetSheet(*gData->db, "002", "N");
        writeBudgetXlsx(sheet, totalsOf(*gData->db, sheet), path);
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_ImportTenThousandLines(benchmark::State& state) {
    std::string csv = "Entité;Exercice;Compte;Libellé;Clé;Total\n";
    for (int i = 0; i < kImported; ++i)
        csv += "002;N+1;" + detailedAccount(i) + ";" + bench::budgetLabel(2, i) + ";001;1200,00\n";
    for (auto _ : state) {
        std::istringstream in(csv);
        std::vector<std::string> faults;
        const auto rows = readBudgetCsv(in, faults);
        const auto report = writeBudgetRows(gData->db, fixedRights(kFullRights), rows, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::DryRun});
        benchmark::DoNotOptimize(report.created);
        if (report.created != kImported)
            state.SkipWithError(("the import did not take every line: " + (report.faults.empty() ? std::string() : report.faults.front())).c_str());
    }
    state.SetItemsProcessed(state.iterations() * kImported);
}

void BM_CopyToNextYear(benchmark::State& state) {
    for (auto _ : state) {
        const BudgetSheet source = readBudgetSheet(*gData->db, "002", "N");
        const auto rows = copiedRows(source, "N+1", 12, 350);
        const auto report = writeBudgetRows(gData->db, fixedRights(kFullRights), rows, {.onFile = OnFile::Keep, .run = BudgetWriting::Run::DryRun});
        if (report.created != kLines)
            state.SkipWithError(("the copy did not take every line: " + (report.faults.empty() ? std::string() : report.faults.front())).c_str());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

// Versions named apart, which the run deletes once it is timed: each save adds one to
// the year, as a person's saves do. A version deleted before the next save would time
// the server clearing its lines away instead. For the same reason the server clears
// the deleted lines away here, and reads its tables again, before the next timing:
// its own daemon would do it during that timing, on one of the machine's two cores.
// The next timing's first save then finds the versions' file empty, as the first save
// of a year does, and brings the statistics up to date.
void deleteVersions(Database& db, const std::string& name, std::int64_t count) {
    for (std::int64_t n = 1; n <= count; ++n)
        deleteVersion(db, "002", "N", name + " " + std::to_string(n));
    if (gData->engine() == test::Engine::PostgreSQL)
        gData->sql("VACUUM ANALYZE record, history");
}

// The year saved as a version: every line copied with its note, in one transaction.
void timeSaves(benchmark::State& state, Database& db) {
    std::int64_t n = 0;
    for (auto _ : state)
        saveVersion(db, "002", "N", "Budget primitif " + std::to_string(++n));
    deleteVersions(db, "Budget primitif", n);
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_VersionSave(benchmark::State& state) {
    timeSaves(state, *gData->db);
}

// A version of the year's 2,500 lines deleted: its lines and its head, in one
// transaction; the save before each deletion is not timed.
void timeDeletions(benchmark::State& state, Database& db) {
    std::int64_t n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string name = "Supprimée " + std::to_string(++n);
        saveVersion(db, "002", "N", name);
        state.ResumeTiming();
        deleteVersion(db, "002", "N", name);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_VersionDelete(benchmark::State& state) {
    timeDeletions(state, *gData->db);
}

// The working budget against a version: both read, line by line and class by class.
void timeComparisons(benchmark::State& state, Database& db) {
    const Version v = saveVersion(db, "002", "N", "Comparée");
    for (auto _ : state) {
        const auto c = compareSheets(db, v.name, readVersion(db, "002", "N", v), "Budget de travail",
                                     readBudgetSheet(db, "002", "N"));
        if (c.lines.size() != static_cast<std::size_t>(kLines))
            state.SkipWithError("the comparison lost lines");
    }
    deleteVersion(db, "002", "N", v.name);
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_VersionCompare(benchmark::State& state) {
    timeComparisons(state, *gData->db);
}

// A landing at the end of June, the remainder spread evenly, kept as a version.
void timeLandings(benchmark::State& state, Database& db) {
    std::int64_t n = 0;
    for (auto _ : state)
        saveLanding(db, "002", "N", "2027-06", {Remainder::Kind::Even, {}, false}, "Atterrissage fin juin " + std::to_string(++n));
    deleteVersions(db, "Atterrissage fin juin", n);
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_Forecast(benchmark::State& state) {
    timeLandings(state, *gData->db);
}

// On a server, the same save and landing by a budgeter, whose every line the server's
// rules check on the way in; the owner, as above, writes unchecked. A file has no
// roles: on SQLite these are skipped.
std::shared_ptr<Database> budgeter() {
    static std::shared_ptr<Database> db;
    if (!db && gData->engine() == test::Engine::PostgreSQL) {
        const std::string role = "ondrel_bench_budgeter";
        test::makeBudgeter(*gData, role);
        db = Database::open(gData->path() + "&user=" + role);
    }
    return db;
}

// The same timing on the budgeter's connection. A budgeter's comparison is with a
// version the budgeter just saved: the server plans the read of its lines from
// statistics that the save brought up to date.
void asBudgeter(benchmark::State& state, void (*timing)(benchmark::State&, Database&)) {
    if (const auto db = budgeter())
        timing(state, *db);
    else
        state.SkipWithError("a file has no roles");
}

void BM_VersionSaveByBudgeter(benchmark::State& state) {
    asBudgeter(state, timeSaves);
}

void BM_VersionCompareByBudgeter(benchmark::State& state) {
    asBudgeter(state, timeComparisons);
}

void BM_VersionDeleteByBudgeter(benchmark::State& state) {
    asBudgeter(state, timeDeletions);
}

void BM_ForecastByBudgeter(benchmark::State& state) {
    asBudgeter(state, timeLandings);
}

}  // namespace

BENCHMARK(BM_OverviewOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearGridOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearGridMonthTyped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearGridPaste)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearGridNewLine)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportTenThousandLines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyToNextYear)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VersionSave)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_VersionDelete)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VersionCompare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Forecast)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_VersionSaveByBudgeter)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_VersionCompareByBudgeter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VersionDeleteByBudgeter)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ForecastByBudgeter)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    build();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gData.reset();
    return 0;
}
