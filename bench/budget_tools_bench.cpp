// The budget of a large entity out and in: the overview opened on 2,500 lines, their
// export to CSV and XLSX, an import of 10,000 lines and a copy of 2,500 lines to the
// next year, both checked by the screen and rolled back at the end of each run.
#include <cstdio>
#include <filesystem>
#include <sstream>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QTableView>

#include "bench/bench_database.h"
#include "qt/budget_overview.h"
#include "qt/year_grid_window.h"
#include "tests/store/temp_database.h"
#include "tools/budget_import.h"
#include "tools/budget_totals.h"
#include "tools/demo_data.h"

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
        for (int i = 0; i < kImported; ++i) {
            const std::string account = detailedAccount(i);
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
        YearGridWindow grid(gData->db, "002", "N", false);
        grid.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(grid.model()->rowCount());
    }
    state.counters["lines"] = kLines;
}

// A month typed in a cell of the 2,500-line grid, its total and its row drawn again.
void BM_YearGridKeystroke(benchmark::State& state) {
    YearGridWindow grid(gData->db, "002", "N", false);
    grid.show();
    QCoreApplication::processEvents();
    YearGridModel* model = grid.model();
    int n = 0;
    for (auto _ : state) {
        model->setData(model->index(1200, YearGridModel::kFirstPeriod + 3), QString::number(100 + (++n % 50)), Qt::EditRole);
        grid.view()->viewport()->repaint();
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
    const std::string path = gData->path() + ".xlsx";
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
        const auto report = writeBudgetRows(gData->db, rows, true, true);
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
        const auto report = writeBudgetRows(gData->db, rows, false, true);
        if (report.created != kLines)
            state.SkipWithError(("the copy did not take every line: " + (report.faults.empty() ? std::string() : report.faults.front())).c_str());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

}  // namespace

BENCHMARK(BM_OverviewOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearGridOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearGridKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportTenThousandLines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyToNextYear)->Unit(benchmark::kMillisecond)->Iterations(3);

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
