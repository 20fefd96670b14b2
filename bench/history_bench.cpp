// The history of one budget line with many revisions, as `ondrel-admin history` reads
// it: the time must grow with the number of revisions, not with its square.
#include <filesystem>

#include <benchmark/benchmark.h>

#include "store/database.h"

using namespace ondrel;

namespace {

void BM_HistoryOfOneKey(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "ondrel-bench-history.db";
    std::filesystem::remove(path);
    {
        auto db = Database::create(path.string());
        db->signIn("bench");
        db->createFile("BUDGET");
        db->inOneTransaction([&] {
            for (std::int64_t r = 0; r < state.range(0); ++r)
                db->write("BUDGET", db->makeRecord("BUDGET", "N00016061000000",
                                                   {{"FOURNITURES"}, {"0", "1", "2"}, {std::to_string(r), "100", "200"}, {"001"}}));
        });
    }
    auto db = Database::open(path.string());
    for (auto _ : state) {
        auto revisions = db->history("BUDGET", "N00016061000000");
        benchmark::DoNotOptimize(revisions);
    }
    state.SetComplexityN(state.range(0));
    db.reset();
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_HistoryOfOneKey)->RangeMultiplier(4)->Range(2000, 32000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
