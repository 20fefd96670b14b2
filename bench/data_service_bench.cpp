// The data service on 1,000,000 budget lines and 100,000 chart accounts: what each
// keystroke of the account zone asks, beside a full scan and a hand-written statement.
#include <cstdio>
#include <filesystem>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
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
    int rows(const std::string& first, const std::string& second) {
        if (pg_) {
            pqxx::nontransaction t(*pg_);
            return static_cast<int>(t.exec_prepared("hand_written", first, second).size());
        }
        q_->reset();
        q_->bind(1, first);
        q_->bind(2, second);
        int rows = 0;
        while (q_->executeStep())
            ++rows;
        return rows;
    }

private:
    std::unique_ptr<pqxx::connection> pg_;
    std::unique_ptr<SQLite::Database> sqlite_;
    std::unique_ptr<SQLite::Statement> q_;
};

// The same questions, every record of the file read: SQLite only, which can be told
// to use no index.
void runScan(benchmark::State& state, const std::string& sql, const std::string& prefix) {
    if (onServer())
        return state.SkipWithError("the scan is measured on SQLite");
    SQLite::Database db(gPath, SQLite::OPEN_READONLY);
    SQLite::Statement q(db, sql);
    auto folded = foldCase(prefix);
    for (auto _ : state) {
        q.reset();
        q.bind(1, static_cast<int>(folded.size()));
        q.bind(2, folded);
        int rows = 0;
        while (q.executeStep())
            ++rows;
        state.counters["rows"] = rows;
    }
}

void BM_KeyPrefixScan(benchmark::State& state) {
    runScan(state,
            "SELECT r.key, f.whole FROM record r NOT INDEXED LEFT JOIN field f ON f.file = r.file AND "
            "f.key = r.key AND f.num = 1 WHERE r.file = 'BUDGET' AND substr(r.key_fold, 1, ?) = ? "
            "ORDER BY f.whole, r.key",
            kKeyPrefix);
}

void BM_LabelPrefixScan(benchmark::State& state) {
    runScan(state,
            "SELECT key, whole FROM field NOT INDEXED WHERE file = 'BUDGET' AND num = 1 AND "
            "substr(fold, 1, ?) = ? ORDER BY whole, key",
            kLabelPrefix);
}

// The floor: one prepared statement answering the question directly on the same tables.
void runHandWritten(benchmark::State& state, const std::string& sql, const std::string& prefix) {
    HandWritten q(sql);
    auto folded = foldCase(prefix);
    auto end = folded;
    end.back()++;
    for (auto _ : state)
        state.counters["rows"] = q.rows(folded, end);
}

void BM_KeyPrefixPrepared(benchmark::State& state) {
    runHandWritten(state,
                   "SELECT r.key, f.whole FROM record r LEFT JOIN field f ON f.file = r.file AND f.key = r.key "
                   "AND f.num = 1 WHERE r.file = 'BUDGET' AND r.key_fold >= ? AND r.key_fold < ? "
                   "ORDER BY f.whole, r.key",
                   kKeyPrefix);
}

void BM_LabelPrefixPrepared(benchmark::State& state) {
    runHandWritten(state,
                   "SELECT key, whole FROM field WHERE file = 'BUDGET' AND num = 1 AND fold >= ? AND fold < ? "
                   "ORDER BY whole, key",
                   kLabelPrefix);
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
BENCHMARK(BM_KeyPrefixScan)->Unit(benchmark::kMicrosecond)->Iterations(5);
BENCHMARK(BM_KeyPrefixPrepared)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabelPrefixSelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabelPrefixScan)->Unit(benchmark::kMicrosecond)->Iterations(5);
BENCHMARK(BM_LabelPrefixPrepared)->Unit(benchmark::kMicrosecond);
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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
