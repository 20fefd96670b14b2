// The actuals read from a FEC of a million postings by `import-actuals` (its check,
// which reads and sums the whole file and writes nothing), beside a plain pass over
// the same file: each line split at its tabs, its date and amounts read, summed by
// account and month, with nothing checked.
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include <benchmark/benchmark.h>

#include "actuals/actuals.h"
#include "admin/demo_data.h"
#include "store/database.h"

using namespace ondrel;

namespace {

// Pairs of postings over the twelve months of 2027, as bench/fec_import.sh writes
// them: a charge or a produit on one of 400 accounts, balanced by a third party.
const std::filesystem::path& fecFile() {
    static const std::filesystem::path path = [] {
        const auto p = std::filesystem::temp_directory_path() / "ondrel-bench-fec.txt";
        std::ofstream out(p);
        out << "JournalCode\tJournalLib\tEcritureNum\tEcritureDate\tCompteNum\tCompteLib\tCompAuxNum\tCompAuxLib\t"
               "PieceRef\tPieceDate\tEcritureLib\tDebit\tCredit\tEcritureLet\tDateLet\tValidDate\tMontantdevise\tIdevise\n";
        char date[16], account[16], amount[32];
        for (int i = 0; i < 1000000; i += 2) {
            const int k = i / 2;
            std::snprintf(date, sizeof date, "2027%02d%02d", k % 12 + 1, k % 28 + 1);
            std::snprintf(account, sizeof account, "%d%05d", k % 2 == 0 ? 6 : 7, 10000 + k % 400);
            std::snprintf(amount, sizeof amount, "%d,%02d", i % 9973, i % 100);
            const bool charge = account[0] == '6';
            out << "AC\tAchats\t" << i << '\t' << date << '\t' << account << "\tCompte\t\t\tP" << i << '\t' << date
                << "\tÉcriture\t" << (charge ? amount : "") << '\t' << (charge ? "" : amount) << "\t\t\t" << date << "\t\t\n";
            out << "AC\tAchats\t" << i << '\t' << date << "\t401000\tTiers\t\t\tP" << i << '\t' << date << "\tÉcriture\t"
                << (charge ? "" : std::string(amount) + "-") << '\t' << (charge ? amount : "") << "\t\t\t" << date
                << "\t\t\n";
        }
        return p;
    }();
    return path;
}

std::int64_t hundredths(std::string_view cell) {
    if (cell.empty())
        return 0;
    const bool negative = cell.back() == '-';
    if (negative)
        cell.remove_suffix(1);
    std::int64_t units = 0, cents = 0;
    const auto comma = cell.find(',');
    std::from_chars(cell.data(), cell.data() + std::min(comma, cell.size()), units);
    if (comma != std::string_view::npos)
        std::from_chars(cell.data() + comma + 1, cell.data() + cell.size(), cents);
    return (negative ? -1 : 1) * (units * 100 + cents);
}

void BM_FecPlainPass(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(fecFile());
        std::string line;
        std::getline(in, line);
        std::unordered_map<std::string, std::map<int, std::int64_t>> sums;
        std::string_view cells[18];
        while (std::getline(in, line)) {
            std::size_t from = 0, n = 0;
            for (; n < 18; ++n) {
                const auto at = line.find('\t', from);
                cells[n] = std::string_view(line).substr(from, at - from);
                if (at == std::string::npos)
                    break;
                from = at + 1;
            }
            int month = 0;
            std::from_chars(cells[3].data() + 4, cells[3].data() + 6, month);
            sums[std::string(cells[4])][month] += hundredths(cells[11]) - hundredths(cells[12]);
        }
        benchmark::DoNotOptimize(sums);
    }
}

void BM_FecImportCheck(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "ondrel-bench-fec.db";
    std::filesystem::remove(path);
    auto db = Database::create(path.string());
    writeDemoData(*db, db->signIn("bench"));
    fecFile();
    for (auto _ : state) {
        std::ifstream in(fecFile());
        const ActualsImport report = importActuals(*db, "001", in, ActualsRun::CheckOnly);
        if (!report.faults.empty())
            state.SkipWithError(report.faults.front().c_str());
        benchmark::DoNotOptimize(report);
    }
}

}  // namespace

BENCHMARK(BM_FecPlainPass)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FecImportCheck)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
