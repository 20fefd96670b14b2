// The data service on 1,000,000 budget lines and 100,000 chart accounts: what each
// keystroke of the account zone asks, beside the same question asked of the best plain
// design of a budget table.
#include <cstdio>
#include <filesystem>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>
#include <pqxx/pqxx>

#include "bench/bench_database.h"
#include "data/data_error.h"
#include "data/request.h"
#include "data/text_fold.h"
#include "store/postgres_connection.h"

using namespace ondrel;

namespace {

std::string gPath = "build/bench-data.db";
std::shared_ptr<Database> gDb;

std::string request(const std::string& sentence, const std::string& file) {
    Request q;
    q.set(1, sentence);
    q.set(2, file);
    q.set(3, "0 1");
    return q.text();
}

// One select through the data service, as the screen runs it.
void runSelect(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        auto t = gDb->RunSelect(text);
        benchmark::DoNotOptimize(t);
        state.counters["rows"] = t.DCount();
    }
}

// Line 1000 to 1099 of entity 042: the keystroke "6001" in the account zone.
const std::string kKeyPrefix = "N00426001";
const std::string kLabelPrefix = "FOURNITURES 10400";

void BM_KeyPrefixSelect(benchmark::State& state) {
    runSelect(state, request("SSELECT BUDGET AVEC 0 = \"" + kKeyPrefix + "]\" 0 1 PAR 1", "BUDGET"));
}

void BM_LabelPrefixSelect(benchmark::State& state) {
    runSelect(state, request("SSELECT BUDGET AVEC 1 = \"" + kLabelPrefix + "]\" 0 1 PAR 1", "BUDGET"));
}

// The first keystroke after the database is opened: a new connection, nothing in its
// cache, and the digit "6" listing the 2,500 lines of entity 042 under N0.
void BM_ColdFirstKeystroke(benchmark::State& state) {
    const std::string text = request("SSELECT BUDGET AVEC 0 = \"N00426]\" 0 1 PAR 1", "BUDGET");
    for (auto _ : state) {
        state.PauseTiming();
        auto cold = Database::open(gPath);
        state.ResumeTiming();
        auto t = cold->RunSelect(text);
        benchmark::DoNotOptimize(t);
        state.counters["rows"] = t.DCount();
        state.PauseTiming();
        cold.reset();
        state.ResumeTiming();
    }
}

void BM_ChartPrefixSelect(benchmark::State& state) {
    runSelect(state, request("SSELECT PLANCOMPTABLE AVEC 0 = \"04260]\" 0 1 PAR 1", "PLANCOMPTABLE"));
}

bool onServer() {
    return isServerLocation(gPath);
}

// One statement written by hand and prepared once, on a connection of its own, bound
// with two texts: the floor that the data service is measured against.
class HandWritten {
public:
    HandWritten(const std::string& sql) {
        if (onServer()) {
            pg_ = std::make_unique<pqxx::connection>(gPath);
            // The session settings of the data service, so that only the layer differs.
            pqxx::nontransaction(*pg_).exec("SET plan_cache_mode = force_generic_plan; "
                                            "SET max_parallel_workers_per_gather = 0");
            pg_->prepare("hand_written", numbered(sql));
        } else {
            sqlite_ = std::make_unique<SQLite::Database>(gPath, SQLite::OPEN_READWRITE);
            q_ = std::make_unique<SQLite::Statement>(*sqlite_, sql);
        }
    }
    // The rows' texts, as a program that shows them has them.
    int rows(const std::string& first, const std::string& second) {
        std::vector<std::vector<std::string>> rows;
        if (pg_) {
            pqxx::nontransaction t(*pg_);
            for (const auto& row : t.exec_prepared("hand_written", first, second))
                rows.push_back({row[0].c_str(), row[1].c_str()});
        } else {
            q_->reset();
            q_->bind(1, first);
            q_->bind(2, second);
            while (q_->executeStep())
                rows.push_back({q_->getColumn(0).getString(), q_->getColumn(1).getString()});
        }
        benchmark::DoNotOptimize(rows);
        return static_cast<int>(rows.size());
    }

private:
    std::unique_ptr<pqxx::connection> pg_;
    std::unique_ptr<SQLite::Database> sqlite_;
    std::unique_ptr<SQLite::Statement> q_;
};

// The best plain design of the same lines: a table of budget lines alone, a row a
// line with its label, covering indexes for both questions, sorted by the engine.
// Made once beside the suite's tables, from its records.
void ensurePlainDesign() {
    const char* table = "CREATE TABLE plain_budget(key text PRIMARY KEY, key_fold text NOT NULL, label text NOT NULL,"
                        " label_fold text NOT NULL, periods text, amounts text, dkey text)";
    const char* indexes = "CREATE INDEX plain_by_key ON plain_budget(key_fold, label, key);"
                          "CREATE INDEX plain_by_label ON plain_budget(label_fold, label, key)";
    if (onServer()) {
        pqxx::connection c(gPath);
        pqxx::work t(c);
        if (!t.exec("SELECT 1 FROM pg_tables WHERE tablename = 'plain_budget' AND schemaname = current_schema()").empty())
            return;
        t.exec(table);
        t.exec("INSERT INTO plain_budget SELECT key, key_fold, fields[1], label_fold, fields[2], fields[3], fields[4]"
               " FROM record WHERE file = 'BUDGET'");
        t.exec(indexes);
        t.exec("ANALYZE plain_budget");
        t.commit();
        return;
    }
    SQLite::Database db(gPath, SQLite::OPEN_READWRITE);
    if (db.tableExists("plain_budget"))
        return;
    SQLite::Transaction tx(db);
    db.exec(table);
    SQLite::Statement insert(db, "INSERT INTO plain_budget VALUES(?, ?, ?, ?, ?, ?, ?)");
    gDb->forEachRecord("BUDGET", [&](const Record& r) {
        const std::string values[] = {r.key(), foldCase(r.key()), r.field(1), foldCase(r.field(1)), r.field(2), r.field(3), r.field(4)};
        for (int i = 0; i < 7; ++i)
            insert.bind(i + 1, values[i]);
        insert.exec();
        insert.reset();
    });
    db.exec(indexes);
    db.exec("ANALYZE");
    tx.commit();
}

// The floor: one prepared statement answering the question directly on the plain design.
void runPlain(benchmark::State& state, const std::string& sql, const std::string& prefix) {
    HandWritten q(sql);
    auto folded = foldCase(prefix);
    auto end = folded;
    end.back()++;
    for (auto _ : state)
        state.counters["rows"] = q.rows(folded, end);
}

void BM_KeyPrefixPlain(benchmark::State& state) {
    runPlain(state, "SELECT key, label FROM plain_budget WHERE key_fold >= ? AND key_fold < ? ORDER BY label, key",
             kKeyPrefix);
}

void BM_LabelPrefixPlain(benchmark::State& state) {
    runPlain(state, "SELECT key, label FROM plain_budget WHERE label_fold >= ? AND label_fold < ? ORDER BY label, key",
             kLabelPrefix);
}

// The 2,500 lines of entity 042's year N, as the digit "6" lists them.
void BM_YearOfAnEntitySelect(benchmark::State& state) {
    runSelect(state, request("SSELECT BUDGET AVEC 0 = \"N00426]\" 0 1 PAR 1", "BUDGET"));
}

void BM_YearOfAnEntityPlain(benchmark::State& state) {
    runPlain(state, "SELECT key, label FROM plain_budget WHERE key_fold >= ? AND key_fold < ? ORDER BY label, key",
             "N00426");
}

void BM_ReadRecordPresent(benchmark::State& state) {
    File budget = gDb->OpenFile("BUDGET");
    for (auto _ : state)
        benchmark::DoNotOptimize(budget.ReadRecord("N00426001050000"));
}

void BM_ReadRecordAbsent(benchmark::State& state) {
    File budget = gDb->OpenFile("BUDGET");
    for (auto _ : state) {
        try {
            budget.ReadRecord("N00426061000001");
        } catch (const DataError& e) {
            benchmark::DoNotOptimize(e.number());
        }
    }
}

void BM_DBWriteTwelvePeriods(benchmark::State& state) {
    File budget = gDb->OpenFile("BUDGET");
    Record r = budget.OpenRecordForWrite("N00426999990000");
    r.setValue(1, 1, "LIGNE DE MESURE");
    for (int p = 0; p < 12; ++p) {
        r.setValue(2, p + 1, std::to_string(p));
        r.setValue(3, p + 1, "8333");
    }
    r.setValue(4, 1, "001");
    for (auto _ : state)
        r.DBWrite();
    budget.DeleteRecord(r);
}

}  // namespace

BENCHMARK(BM_KeyPrefixSelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyPrefixPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabelPrefixSelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabelPrefixPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_YearOfAnEntitySelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_YearOfAnEntityPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChartPrefixSelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColdFirstKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRecordPresent)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadRecordAbsent)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBWriteTwelvePeriods)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (const char* path = std::getenv("ONDREL_BENCH_DB"))
        gPath = path;
    double seconds = bench::ensureBenchDatabase(gPath);
    if (seconds > 0)
        std::printf("built %s (1,000,000 budget lines, 100,000 chart accounts) in %.1f s\n", gPath.c_str(), seconds);
    gDb = Database::open(gPath);
    ensurePlainDesign();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
