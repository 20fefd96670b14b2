#include <gtest/gtest.h>

#include "data/data_error.h"
#include "data/request.h"
#include "tests/store/temp_database.h"

namespace ondrel {

using test::TempDatabase;
using test::failureOf;

class Batch : public test::OnEachEngine {
protected:
    // Appended, not concatenated to a literal: GCC 12 misreads that form at -O3.
    static std::string key(int i) {
        std::string k = "N0001";
        k += std::to_string(100000 + i);
        return k;
    }
    static std::vector<std::string> selected(Database& db, const std::string& sentence) {
        Request q;
        q.set(1, sentence);
        q.set(2, "BUDGET");
        q.set(3, "0");
        std::vector<std::string> keys;
        const ResultTable table = db.RunSelect(q.text());
        for (int r = 1; r <= table.DCount(); ++r)
            keys.push_back(table.cell(r, 1));
        return keys;
    }
};

// Over more writes than a batch holds: what is held back is read, selected and
// revised as if written, and all of it is on file once the batch ends, each record
// at the revision its history ends with.
TEST_P(Batch, WritesHeldBackReadAsWrittenAndAllLand) {
    TempDatabase t(GetParam());
    t.put("BUDGET", key(0), {{"Loyer"}, {"100", "", "300"}});
    t.put("BUDGET", key(1), {{"Détruit"}});
    t.db->remove("BUDGET", key(1));
    constexpr int kWrites = 2500;
    t.db->inOneBatch([&] {
        File budget = t.db->OpenFile("BUDGET");
        Record first = budget.ReadRecord(key(0));
        EXPECT_EQ(first.fields()[1], (std::vector<std::string>{"100", "", "300"}));
        first.setValue(1, 1, "Loyer du siège");
        first.DBWrite();
        EXPECT_EQ(first.revision(), 2);
        for (int i = 1; i < kWrites; ++i) {
            Record r = budget.OpenRecordForWrite(key(i));
            r.setValue(1, 1, "Ligne " + std::to_string(i));
            r.DBWrite();
        }
        EXPECT_EQ(budget.ReadRecord(key(kWrites - 1)).fields()[0][0], "Ligne 2499");
        EXPECT_EQ(budget.ReadRecord(key(1)).revision(), 3);
        EXPECT_EQ(selected(*t.db, "SSELECT BUDGET AVEC 0 = \"" + key(kWrites - 1) + "\" 0 PAR 0"),
                  std::vector<std::string>{key(kWrites - 1)});
        Record again = budget.ReadRecord(key(kWrites - 1));
        again.setValue(2, 1, "1200");
        again.DBWrite();
        EXPECT_EQ(budget.ReadRecord(key(kWrites - 1)).fields()[1][0], "1200");
    });
    auto other = Database::open(t.path());
    EXPECT_EQ(other->keys("BUDGET").size(), static_cast<std::size_t>(kWrites));
    const Record first = other->OpenFile("BUDGET").ReadRecord(key(0));
    EXPECT_EQ(first.fields(), (std::vector<std::vector<std::string>>{{"Loyer du siège"}, {"100", "", "300"}}));
    EXPECT_EQ(first.revision(), 2);
    const auto reborn = other->history("BUDGET", key(1));
    ASSERT_EQ(reborn.size(), 3u);
    EXPECT_EQ(reborn[2].fields[0][0], "Ligne 1");
    const auto twice = other->history("BUDGET", key(kWrites - 1));
    ASSERT_EQ(twice.size(), 2u);
    EXPECT_EQ(other->OpenFile("BUDGET").ReadRecord(key(kWrites - 1)).fields()[1][0], "1200");
}

// A select whose rows a held write could change sees it; one that it cannot is
// answered again as first answered, until its file is written.
TEST_P(Batch, ASelectSeesTheWritesHeldBack) {
    TempDatabase t(GetParam());
    t.put("BUDGET", key(0), {{"Loyer"}});
    t.db->inOneBatch([&] {
        EXPECT_EQ(selected(*t.db, "SSELECT BUDGET AVEC 0 = \"N0001]\" 0 PAR 0").size(), 1u);
        Record r = t.db->OpenFile("BUDGET").OpenRecordForWrite(key(7));
        r.setValue(1, 1, "Électricité");
        r.DBWrite();
        EXPECT_EQ(selected(*t.db, "SSELECT BUDGET AVEC 0 = \"N0001]\" 0 PAR 0"), (std::vector<std::string>{key(0), key(7)}));
        EXPECT_EQ(selected(*t.db, "SSELECT BUDGET AVEC 0 = \"N0002]\" 0 PAR 0").size(), 0u);
    });
}

// A list under a prefix read ahead is answered by the batch, its own writes in it, as
// the engine answers it once they are sent: keys of another letter case and the order
// by label included.
TEST_P(Batch, AListUnderAPrefixReadAheadIsAnsweredAsTheEngineWould) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "N00016060", {{"Fournitures"}});
    t.put("BUDGET", "n00016070", {{"Achats"}});
    t.put("BUDGET", "N00026060", {{"Autre entité"}});
    const auto listed = [](Database& db) {
        Request q;
        q.set(1, "SSELECT BUDGET AVEC 0 = \"N00016]\" 0 1 PAR 1");
        q.set(2, "BUDGET");
        q.set(3, "0 1");
        const ResultTable table = db.RunSelect(q.text());
        return table.rows();
    };
    std::vector<std::vector<std::string>> inBatch;
    t.db->inOneBatch([&] {
        t.db->readAheadUnder("BUDGET", "N0001");
        t.db->write("BUDGET", t.db->newRecord("BUDGET", "N00016050", {{"Eau"}}));
        inBatch = listed(*t.db);
    });
    EXPECT_EQ(inBatch, (std::vector<std::vector<std::string>>{
                           {"n00016070", "Achats"}, {"N00016050", "Eau"}, {"N00016060", "Fournitures"}}));
    EXPECT_EQ(inBatch, listed(*Database::open(t.path())));
}

// A record that the tools build whole goes over whatever the batch knows of its key,
// as many times as it is written.
TEST_P(Batch, RecordsBuiltWholeGoOverWhatTheBatchKnows) {
    TempDatabase t(GetParam());
    t.put("BUDGET", key(0), {{"Loyer"}, {"100"}});
    t.db->inOneBatch([&] {
        for (const char* label : {"Loyer révisé", "Loyer du siège"})
            t.db->write("BUDGET", t.db->makeRecord("BUDGET", key(0), {{label}}));
        t.db->write("BUDGET", t.db->makeRecord("BUDGET", key(9), {{"Électricité"}}));
    });
    auto other = Database::open(t.path());
    const Record first = other->OpenFile("BUDGET").ReadRecord(key(0));
    EXPECT_EQ(first.fields(), (std::vector<std::vector<std::string>>{{"Loyer du siège"}}));
    EXPECT_EQ(first.revision(), 3);
    EXPECT_EQ(other->OpenFile("BUDGET").ReadRecord(key(9)).revision(), 1);
}

// The batch checks a write against the record as it read it, and the engine checks
// it again when the batch goes: a record that another desk changed, or a key it
// made, in between refuses the whole batch.
TEST_P(Batch, ARecordChangedElsewhereRefusesTheBatch) {
    TempDatabase t(GetParam());
    t.put("BUDGET", key(0), {{"Loyer"}});
    auto other = Database::open(t.path());
    Record stale = t.db->OpenFile("BUDGET").ReadRecord(key(0));
    Record theirs = other->OpenFile("BUDGET").ReadRecord(key(0));
    theirs.setValue(1, 1, "Loyer révisé");
    theirs.DBWrite();
    EXPECT_EQ(failureOf([&] {
                  t.db->inOneBatch([&] {
                      Record mine = t.db->OpenFile("BUDGET").OpenRecordForWrite(key(1));
                      mine.setValue(1, 1, "Nouveau");
                      mine.DBWrite();
                      stale.setValue(1, 1, "Le mien");
                      stale.DBWrite();
                  });
              }),
              kRecordChanged);
    EXPECT_EQ(other->keys("BUDGET"), std::vector<std::string>{key(0)});
    if (GetParam() == test::Engine::SQLite)
        return;   // a file has one writer at a time: no desk writes while a batch is open
    for (const int changed : {0, 2})
        EXPECT_EQ(failureOf([&] {
                      t.db->inOneBatch([&] {
                          Record mine = t.db->OpenFile("BUDGET").OpenRecordForWrite(key(changed));
                          mine.setValue(1, 1, "Le mien");
                          mine.DBWrite();
                          Record meanwhile = other->OpenFile("BUDGET").OpenRecordForWrite(key(changed));
                          meanwhile.setValue(1, 1, "Le leur");
                          meanwhile.DBWrite();
                      });
                  }),
                  kRecordChanged)
            << key(changed);
    EXPECT_EQ(other->OpenFile("BUDGET").ReadRecord(key(0)).fields()[0][0], "Le leur");
    EXPECT_EQ(other->OpenFile("BUDGET").ReadRecord(key(2)).fields()[0][0], "Le leur");
    EXPECT_EQ(other->history("BUDGET", key(2)).size(), 1u);
    // Work that goes on past the refusal commits nothing of the batch.
    EXPECT_EQ(failureOf([&] {
                  t.db->inOneBatch([&] {
                      Record mine = t.db->OpenFile("BUDGET").OpenRecordForWrite(key(3));
                      mine.setValue(1, 1, "Le mien");
                      mine.DBWrite();
                      Record meanwhile = other->OpenFile("BUDGET").OpenRecordForWrite(key(3));
                      meanwhile.setValue(1, 1, "Le leur");
                      meanwhile.DBWrite();
                      EXPECT_EQ(failureOf([&] { t.db->keys("BUDGET"); }), kRecordChanged);
                      Record later = t.db->OpenFile("BUDGET").OpenRecordForWrite(key(4));
                      later.setValue(1, 1, "Le mien");
                      later.DBWrite();
                  });
              }),
              kRecordChanged);
    EXPECT_EQ(other->keys("BUDGET"), (std::vector<std::string>{key(0), key(2), key(3)}));
}

// Keys read ahead under a prefix are known, stored or not, through every send of a
// batch longer than one: a key deleted before goes on from its history, a stored one
// is written over at its revision, a key the batch wrote before a send is written
// again at the next revision; and a key another desk made meanwhile refuses the batch.
TEST_P(Batch, KeysReadAheadUnderAPrefixStayKnownAcrossSends) {
    TempDatabase t(GetParam());
    const std::string prefix = "N0001.001";
    const auto line = [&](int i) {
        std::string k = prefix;
        k += std::to_string(600000 + i);
        return k;
    };
    t.put("VERSIONLIGNES", line(0), {{"Supprimée"}});
    t.db->remove("VERSIONLIGNES", line(0));
    t.put("VERSIONLIGNES", line(1), {{"Gardée"}});
    t.put("VERSIONLIGNES", "N0001.0026", {{"D'une autre version"}});
    constexpr int kLines = 2500;
    t.db->inOneBatch([&] {
        t.db->readAheadUnder("VERSIONLIGNES", prefix);
        EXPECT_EQ(t.db->write("VERSIONLIGNES", t.db->newRecord("VERSIONLIGNES", line(0), {{"Refaite"}})), 3);
        Record kept = t.db->OpenFile("VERSIONLIGNES").ReadRecord(line(1));
        kept.setValue(1, 1, "Gardée, revue");
        EXPECT_EQ(t.db->write("VERSIONLIGNES", kept), 2);
        for (int i = 2; i < kLines; ++i)
            EXPECT_EQ(t.db->write("VERSIONLIGNES", t.db->newRecord("VERSIONLIGNES", line(i), {{"Ligne"}})), 1);
        Record again = t.db->OpenFile("VERSIONLIGNES").ReadRecord(line(2));
        again.setValue(1, 1, "Ligne revue");
        EXPECT_EQ(t.db->write("VERSIONLIGNES", again), 2);
    });
    auto other = Database::open(t.path());
    EXPECT_EQ(other->OpenFile("VERSIONLIGNES").ReadRecord(line(2)).fields()[0][0], "Ligne revue");
    EXPECT_EQ(other->history("VERSIONLIGNES", line(0)).size(), 3u);
    EXPECT_EQ(other->OpenFile("VERSIONLIGNES").ReadRecord("N0001.0026").revision(), 1);
    if (GetParam() == test::Engine::SQLite)
        return;   // a file has one writer at a time: no desk writes while a batch is open
    EXPECT_EQ(failureOf([&] {
                  t.db->inOneBatch([&] {
                      t.db->readAheadUnder("VERSIONLIGNES", "N0001.003");
                      other->write("VERSIONLIGNES", other->newRecord("VERSIONLIGNES", "N0001.0036", {{"Le leur"}}));
                      t.db->write("VERSIONLIGNES", t.db->newRecord("VERSIONLIGNES", "N0001.0036", {{"Le mien"}}));
                  });
              }),
              kRecordChanged);
    EXPECT_EQ(other->OpenFile("VERSIONLIGNES").ReadRecord("N0001.0036").fields()[0][0], "Le leur");
}

INSTANTIATE_TEST_SUITE_P(Engines, Batch, ::testing::Values(test::Engine::SQLite, test::Engine::PostgreSQL),
                         test::engineName);

}  // namespace ondrel
