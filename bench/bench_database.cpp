#include "bench/bench_database.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include <SQLiteCpp/Database.h>
#include <pqxx/pqxx>

#include "data/data_error.h"
#include "store/postgres_connection.h"

namespace ondrel::bench {

namespace {
const char* const kWords[] = {"FOURNITURES", "LOCATIONS", "ENTRETIEN", "ASSURANCES", "HONORAIRES",
                              "TRANSPORTS", "DÉPLACEMENTS", "TÉLÉCOMMUNICATIONS", "SALAIRES", "COTISATIONS"};
}

std::string entityCode(int e) {
    char code[8];
    std::snprintf(code, sizeof code, "%03d", e);
    return code;
}

std::string accountNumber(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "60%04d0000", i);
    return number;
}

std::string wideAccountNumber(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "6%05d0000", i);
    return number;
}

std::string budgetLabel(int e, int i) {
    return std::string(kWords[i % 10]) + " " + std::to_string(e * kAccountsPerEntity + i);
}

void runRaw(const std::string& location, const std::string& sql) {
    if (isServerLocation(location)) {
        pqxx::connection c(location);
        pqxx::nontransaction(c).exec(sql);
    } else {
        SQLite::Database(location, SQLite::OPEN_READWRITE).exec(sql);
    }
}

// A server database is built when it holds no tables of the suite yet.
bool built(const std::string& location) {
    if (!isServerLocation(location))
        return std::filesystem::exists(location);
    try {
        Database::open(location);
        return true;
    } catch (const DataError& e) {
        if (e.number() != kNotOurDatabase)
            throw;
        return false;
    }
}

double ensureBenchDatabase(const std::string& path) {
    auto start = std::chrono::steady_clock::now();
    if (built(path))
        return 0;
    auto db = Database::create(path);
    std::vector<std::string> periods, amounts;
    for (int p = 0; p < 12; ++p) {
        periods.push_back(std::to_string(p));
        amounts.push_back(std::to_string(8333 + p));
    }
    db->inOneTransaction([&] {
        db->createFile("BUDGET");
        db->createFile("PLANCOMPTABLE");
        for (int e = 1; e <= kEntities; ++e) {
            std::string entity = entityCode(e);
            for (int i = 0; i < kAccountsPerEntity; ++i)
                for (const char* year : {"N0", "N1"})
                    db->write("BUDGET", db->makeRecord("BUDGET", year + entity + accountNumber(i),
                                                       {{budgetLabel(e, i)}, periods, amounts, {"001"}}));
            for (int i = 0; i < kChartPerEntity; ++i)
                db->write("PLANCOMPTABLE", db->makeRecord("PLANCOMPTABLE", entity + accountNumber(i * 5),
                                                          {{"Compte " + std::to_string(i)}}));
        }
    });
    db.reset();
    runRaw(path, "ANALYZE");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace ondrel::bench
