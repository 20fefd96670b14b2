#include <gtest/gtest.h>

#include <pqxx/pqxx>

#include <unistd.h>

#include "tests/store/temp_database.h"

namespace ondrel {

namespace {

// How many times the records' table was read for the server's statistics, other than
// by its own daemon.
int analyses(const test::TempDatabase& t) {
    pqxx::connection c(t.path());
    return pqxx::nontransaction(c)
        .exec1("SELECT analyze_count FROM pg_stat_user_tables WHERE relid = 'record'::regclass")[0]
        .as<int>();
}

void writeLines(Database& db, const std::string& file, int first, int count) {
    db.inOneBatch([&] {
        for (int i = first; i < first + count; ++i)
            db.write(file, db.newRecord(file, "N00016" + std::to_string(100000000 + i), {{"Ligne"}}));
    });
}

}  // namespace

// A thousand writes or more into a file that the statistics see far smaller bring them
// up to date: the next list of that file is planned for what it holds. Writes into a
// file they already see about as large leave them be, and so do fewer writes.
TEST(ServerStatistics, ReadAgainForAFileFarLargerThanTheyForesee) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::TempDatabase t(test::Engine::PostgreSQL);
    t.db->createFile("VERSIONLIGNES");
    t.db->createFile("NOTES");
    const int before = analyses(t);
    writeLines(*t.db, "VERSIONLIGNES", 0, 1500);
    EXPECT_EQ(analyses(t), before + 1);
    writeLines(*t.db, "VERSIONLIGNES", 1500, 1500);
    EXPECT_EQ(analyses(t), before + 1);
    writeLines(*t.db, "NOTES", 0, 900);
    EXPECT_EQ(analyses(t), before + 1);
    writeLines(*t.db, "NOTES", 900, 1500);
    EXPECT_EQ(analyses(t), before + 2);
}

// A budgeter may not read the tables for their statistics itself: its bulk writes have
// them read by the owner's function, or the lines it just wrote would be planned as if
// their file were empty, a version's read back in seconds.
TEST(ServerStatistics, ABudgetersBulkWriteBringsThemUpToDateToo) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_budgeter");
    test::TempDatabase& t = *b.base;
    t.db->createFile("NOTES");
    const int before = analyses(t);
    writeLines(*Database::open(t.path() + "&user=" + b.role), "NOTES", 0, 1500);
    EXPECT_EQ(analyses(t), before + 1);
}

}  // namespace ondrel
