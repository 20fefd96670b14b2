#include <atomic>
#include <latch>
#include <thread>

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "tests/store/temp_database.h"

namespace ondrel {

using test::TempDatabase;
using test::failureOf;

class Revisions : public test::OnEachEngine {
protected:
    // Appended, not concatenated to a literal: GCC 12 misreads that form at -O3.
    static std::string key(int i) {
        std::string k = "K";
        k += std::to_string(i);
        return k;
    }
};

// Each of two connections reads the record; the second to write or delete finds
// it changed and leaves it as the first wrote it.
TEST_P(Revisions, TheSecondOfTwoWritersOfOneReadChangesNothing) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "K", {{"lu"}});
    auto other = Database::open(t.path());
    Record mine = t.db->OpenFile("BUDGET").ReadRecord("K");
    Record theirs = other->OpenFile("BUDGET").ReadRecord("K");
    mine.setValue(1, 1, "premier");
    mine.DBWrite();
    theirs.setValue(1, 1, "second");
    EXPECT_EQ(failureOf([&] { theirs.DBWrite(); }), kRecordChanged);
    EXPECT_EQ(failureOf([&] { other->OpenFile("BUDGET").DeleteRecord(theirs); }), kRecordChanged);
    EXPECT_EQ(t.db->OpenFile("BUDGET").ReadRecord("K").value(1, 1), "premier");
    // The writer's own record follows its writes.
    mine.setValue(1, 1, "encore");
    EXPECT_NO_THROW(mine.DBWrite());
}

TEST_P(Revisions, ARecordDeletedMeanwhileIsNeitherWrittenBackNorDeletedAgain) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "K", {{"lu"}});
    Record first = t.db->OpenFile("BUDGET").ReadRecord("K");
    Record second = first;
    t.db->OpenFile("BUDGET").DeleteRecord(first);
    EXPECT_EQ(failureOf([&] { second.DBWrite(); }), kRecordChanged);
    EXPECT_EQ(failureOf([&] { t.db->OpenFile("BUDGET").DeleteRecord(second); }), kRecordChanged);
    EXPECT_FALSE(t.db->read("BUDGET", "K"));
}

// Writers that both found the same keys free create them at the same moment: each
// key is made once, and every other creation fails whole.
TEST_P(Revisions, OfCreationsOfOneKeyAtOnceOnlyOneLands) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    constexpr int kKeys = 30;
    std::atomic<int> made{0}, refused{0}, other{0};
    std::latch opened(2);
    auto writer = [&](const std::string& label) {
        auto db = Database::open(t.path());
        File budget = db->OpenFile("BUDGET");
        std::vector<Record> records;
        for (int i = 0; i < kKeys; ++i)
            records.push_back(budget.OpenRecordForWrite(key(i)));
        opened.arrive_and_wait();
        for (Record& r : records) {
            r.setValue(1, 1, label);
            const auto failure = failureOf([&] { r.DBWrite(); });
            (failure == 0 ? made : failure == kRecordChanged ? refused : other)++;
        }
    };
    std::thread a(writer, "A"), b(writer, "B");
    a.join();
    b.join();
    EXPECT_EQ(made, kKeys);
    EXPECT_EQ(refused, kKeys);
    EXPECT_EQ(other, 0);
    for (int i = 0; i < kKeys; ++i)
        EXPECT_EQ(t.db->history("BUDGET", key(i)).size(), 1u);
}

// Who wrote each revision and what the record held, deletions included, oldest
// first; a key made again goes on from the last number.
TEST_P(Revisions, TheHistoryKeepsEveryRevisionWithItsAuthor) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    const std::string me = t.db->signIn("marie");
    File budget = t.db->OpenFile("BUDGET");
    Record r = budget.OpenRecordForWrite("K");
    r.setValue(1, 1, "Loyer");
    r.setValue(2, 1, "100");
    r.setValue(2, 2, "200");
    r.DBWrite();
    r.setValue(1, 1, "Loyer du siège");
    r.DBWrite();
    budget.DeleteRecord(r);
    Record again = budget.OpenRecordForWrite("K");
    again.setValue(1, 1, "Loyer");
    again.DBWrite();

    const auto history = t.db->history("BUDGET", "K");
    ASSERT_EQ(history.size(), 4u);
    for (std::size_t i = 0; i < history.size(); ++i) {
        EXPECT_EQ(history[i].number, static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(history[i].author, me);
        EXPECT_EQ(history[i].at.size(), 19u) << history[i].at;
    }
    EXPECT_EQ(history[0].fields, (std::vector<std::vector<std::string>>{{"Loyer"}, {"100", "200"}}));
    EXPECT_EQ(history[1].fields[0], std::vector<std::string>{"Loyer du siège"});
    EXPECT_TRUE(history[2].deleted);
    EXPECT_TRUE(history[2].fields.empty());
    EXPECT_FALSE(history[3].deleted);
    EXPECT_EQ(again.revision(), 4);
}

// One transaction may revise a record more than once; the history keeps each.
TEST_P(Revisions, SeveralRevisionsOfARecordInOneTransactionLand) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "K", {{"Loyer"}});
    t.db->inOneTransaction([&] {
        Record r = t.db->OpenFile("BUDGET").ReadRecord("K");
        for (const char* label : {"Loyer du siège", "Loyer de l'entrepôt"}) {
            r.setValue(1, 1, label);
            r.DBWrite();
        }
    });
    const auto history = t.db->history("BUDGET", "K");
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[1].fields[0][0], "Loyer du siège");
    EXPECT_EQ(Database::open(t.path())->OpenFile("BUDGET").ReadRecord("K").fields()[0][0], "Loyer de l'entrepôt");
}

// Loaded over several batches, each record is read back whole, texts that the
// server's COPY escapes included, as its first revision; the next write goes on from
// it, which on a server means the loaded rows pass the check of the history.
TEST_P(Revisions, ARecordLoadedInBulkIsItsFirstRevision) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    const std::string me = t.db->signIn("marie");
    const std::vector<std::vector<std::string>> fields{{"Tab\there\\ back\\slash\nline"}, {}, {"100", "", "300"}};
    constexpr int kRecords = 12001;
    t.db->load([&](Database::Loader& loader) {
        for (int i = 0; i < kRecords; ++i)
            loader.put("BUDGET", t.db->makeRecord("BUDGET", key(i), fields));
    });
    EXPECT_EQ(t.db->keys("BUDGET").size(), static_cast<std::size_t>(kRecords));
    Record last = t.db->OpenFile("BUDGET").ReadRecord(key(kRecords - 1));
    EXPECT_EQ(last.fields(), fields);
    EXPECT_EQ(last.revision(), 1);
    const auto history = t.db->history("BUDGET", key(0));
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].author, me);
    EXPECT_EQ(history[0].fields, fields);
    last.setValue(1, 1, "Loyer");
    last.DBWrite();
    EXPECT_EQ(last.revision(), 2);
}

TEST_P(Revisions, ALoadThatFailsLeavesNothing) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    EXPECT_EQ(failureOf([&] {
                  t.db->load([&](Database::Loader& loader) {
                      loader.put("BUDGET", t.db->makeRecord("BUDGET", "K", {{"Loyer"}}));
                      loader.put("ABSENT", t.db->makeRecord("ABSENT", "K", {{"Loyer"}}));
                  });
              }),
              kFileNotFound);
    EXPECT_TRUE(t.db->keys("BUDGET").empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, Revisions, ::testing::Values(test::Engine::SQLite, test::Engine::PostgreSQL),
                         test::engineName);

}  // namespace ondrel
