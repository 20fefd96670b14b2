// The group at a glance on a large federation: 20 and 100 entities of 500 lines each,
// with a year of actuals, half of them on a fiscal year from September, so that the
// group adds them by calendar month. The group's view read, its window opened and its
// month to date changed, beside the floor: one GROUP BY statement adding the same
// lines and actuals by account and month in plain tables made of the same rows.
#include <array>
#include <cstdio>
#include <map>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QTableView>
#include <SQLiteCpp/SQLiteCpp.h>
#include <pqxx/pqxx>

#include "admin/demo_data.h"
#include "group/alerts.h"
#include "platform/rights.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/group/group_overview.h"
#include "tests/store/temp_database.h"

using namespace ondrel;

namespace {

constexpr int kLinesPerEntity = 500;
constexpr int kMaxEntities = 100;
std::unique_ptr<test::TempDatabase> gData;

// 100 to 199.
std::string entityCode(int e) {
    return std::to_string(100 + e);
}

// 400 charges and 100 produits, none another's prefix.
std::string account(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "%d%05d0001", i < 400 ? 6 : 7, i);
    return number;
}

std::string groupName(int entities) {
    return "Fédération " + std::to_string(entities);
}

// The plain design: a row a line's month and a row an actual's month, in tables of
// their own beside the suite's.
void makePlainTables(const std::vector<std::array<std::string, 4>>& lines, const std::vector<std::array<std::string, 4>>& actual) {
    const char* tables = "CREATE TABLE plain_line(entity text, account text, month text, amount bigint);"
                         "CREATE TABLE plain_actual(entity text, account text, month text, amount bigint)";
    // Covering indexes: the sum reads the index alone.
    const char* indexes = "CREATE INDEX plain_line_by_entity ON plain_line(entity, account, month, amount);"
                          "CREATE INDEX plain_actual_by_entity ON plain_actual(entity, account, month, amount)";
    if (gData->engine() == test::Engine::PostgreSQL) {
        pqxx::connection c(gData->path());
        pqxx::work t(c);
        t.exec(tables);
        for (const auto& [table, rows] : {std::pair{"plain_line", &lines}, std::pair{"plain_actual", &actual}}) {
            pqxx::stream_to stream(t, table, std::vector<std::string>{"entity", "account", "month", "amount"});
            for (const auto& r : *rows)
                stream << std::make_tuple(r[0], r[1], r[2], r[3]);
            stream.complete();
        }
        t.exec(indexes);
        t.exec("ANALYZE plain_line; ANALYZE plain_actual");
        t.commit();
        return;
    }
    SQLite::Database db(gData->path(), SQLite::OPEN_READWRITE);
    SQLite::Transaction tx(db);
    db.exec(tables);
    for (const auto& [table, rows] : {std::pair{"plain_line", &lines}, std::pair{"plain_actual", &actual}}) {
        SQLite::Statement insert(db, std::string("INSERT INTO ") + table + " VALUES(?, ?, ?, ?)");
        for (const auto& r : *rows) {
            insert.bind(1, r[0]);
            insert.bind(2, r[1]);
            insert.bind(3, r[2]);
            insert.bind(4, static_cast<std::int64_t>(std::stoll(r[3])));
            insert.exec();
            insert.reset();
        }
    }
    db.exec(indexes);
    db.exec("ANALYZE");
    tx.commit();
}

void build() {
    gData = std::make_unique<test::TempDatabase>();
    Database& db = *gData->db;
    writeDemoData(db, "owner");
    std::vector<std::string> periods, amounts, spent;
    for (int p = 0; p < 12; ++p) {
        periods.push_back(std::to_string(p));
        amounts.push_back(std::to_string(10000 + p));
        spent.push_back(std::to_string(9500 + p));
    }
    std::vector<std::array<std::string, 4>> plainLines, plainActual;
    db.inOneTransaction([&] {
        db.createFile("REALISE");
        for (int e = 0; e < kMaxEntities; ++e) {
            const std::string code = entityCode(e);
            const bool september = e % 2 == 1;
            db.write("ASSOCIATION", db.makeRecord("ASSOCIATION", code, {{"Association " + code}}));
            db.write("PARAMENTITECOMPTA",
                     db.makeRecord("PARAMENTITECOMPTA", code,
                                   september ? std::vector<std::vector<std::string>>{{"2026-09-01"}, {"2027-08-31"}, {"2027-09-01"}, {"2028-08-31"}}
                                             : std::vector<std::vector<std::string>>{{"2027-01-01"}, {"2027-12-31"}, {"2028-01-01"}, {"2028-12-31"}}));
            db.write("BUDGETCLES", db.makeRecord("BUDGETCLES", code + "001", {{"Unique"}, {"S01"}, {"10000"}, {"10000"}}));
            for (int i = 0; i < kLinesPerEntity; ++i) {
                const std::string a = account(i), label = "Compte " + std::to_string(i);
                db.write("PLANCOMPTABLE", db.makeRecord("PLANCOMPTABLE", code + a, {{label}}));
                db.write("BUDGET", db.makeRecord("BUDGET", "N0" + code + a, {{label}, periods, amounts, {"001"}}));
                db.write("REALISE", db.makeRecord("REALISE", "N0" + code + a, {periods, spent}));
                for (int p = 0; p < 12; ++p) {
                    const int month = september ? (p + 8) % 12 + 1 : p + 1, year = september && p < 4 ? 2026 : 2027;
                    const std::string when = monthCode({month, year, {}});
                    plainLines.push_back({code, a, when, amounts[static_cast<std::size_t>(p)]});
                    plainActual.push_back({code, a, when, spent[static_cast<std::size_t>(p)]});
                }
            }
        }
    });
    auto rights = fixedRights(kFullRights);
    for (int entities : {20, kMaxEntities}) {
        Group group{groupName(entities), {}};
        for (int e = 0; e < entities; ++e)
            group.entities.push_back(entityCode(e));
        saveGroup(db, *rights, group);
    }
    makePlainTables(plainLines, plainActual);
}

void BM_GroupViewRead(benchmark::State& state) {
    const Group group = readGroup(*gData->db, groupName(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        const GroupView view = readGroupView(*gData->db, group, "N", GroupBasis::Working);
        benchmark::DoNotOptimize(groupAlerts(*gData->db, group, view, 5).size());
    }
    state.counters["lines"] = static_cast<double>(state.range(0) * kLinesPerEntity);
}

// The floor: the same lines and actuals added by account and month, by the engine.
void BM_GroupByBaseline(benchmark::State& state) {
    std::string in;
    for (int e = 0; e < state.range(0); ++e)
        in += (e ? ",'" : "'") + entityCode(e) + "'";
    const std::string budget = "SELECT account, month, sum(amount) FROM plain_line WHERE entity IN (" + in +
                               ") GROUP BY account, month ORDER BY account, month";
    const std::string actual = "SELECT account, month, sum(amount) FROM plain_actual WHERE entity IN (" + in +
                               ") GROUP BY account, month ORDER BY account, month";
    const bool server = gData->engine() == test::Engine::PostgreSQL;
    std::unique_ptr<pqxx::connection> pg = server ? std::make_unique<pqxx::connection>(gData->path()) : nullptr;
    std::unique_ptr<SQLite::Database> lite = server ? nullptr : std::make_unique<SQLite::Database>(gData->path());
    for (auto _ : state) {
        std::map<std::pair<std::string, std::string>, std::int64_t> sums;
        for (const std::string& sql : {budget, actual}) {
            if (server) {
                pqxx::nontransaction t(*pg);
                for (const auto& row : t.exec(sql))
                    sums[{row[0].c_str(), row[1].c_str()}] += row[2].as<std::int64_t>();
            } else {
                SQLite::Statement q(*lite, sql);
                while (q.executeStep())
                    sums[{q.getColumn(0).getString(), q.getColumn(1).getString()}] += q.getColumn(2).getInt64();
            }
        }
        benchmark::DoNotOptimize(sums.size());
    }
    state.counters["lines"] = static_cast<double>(state.range(0) * kLinesPerEntity);
}

// The window opened on the group, as Budget ▸ Vue du groupe does once the group was
// chosen the time before.
void BM_GroupWindowOpen(benchmark::State& state) {
    {
        GroupOverview chosen(gData->db);
        chosen.findChild<QComboBox*>()->setCurrentText(QString::fromStdString(groupName(static_cast<int>(state.range(0)))));
    }
    for (auto _ : state) {
        GroupOverview window(gData->db);
        benchmark::DoNotOptimize(window.lines()->model()->rowCount());
    }
    state.counters["lines"] = static_cast<double>(state.range(0) * kLinesPerEntity);
}

// Another month to date chosen in the open window: the lines and totals filled again.
void BM_GroupMonthChange(benchmark::State& state) {
    GroupOverview window(gData->db);
    window.findChild<QComboBox*>()->setCurrentText(QString::fromStdString(groupName(static_cast<int>(state.range(0)))));
    QComboBox* toDate = nullptr;
    for (QComboBox* c : window.findChildren<QComboBox*>())
        if (c->itemText(0) == "Toute l'année")
            toDate = c;
    int month = 1;
    for (auto _ : state) {
        toDate->setCurrentIndex(month);
        month = month % 12 + 1;
    }
}

}  // namespace

BENCHMARK(BM_GroupViewRead)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupByBaseline)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupWindowOpen)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupMonthChange)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName("Ondrel");
    QCoreApplication::setApplicationName("Ondrel benchmarks");
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    build();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gData.reset();
    return 0;
}
