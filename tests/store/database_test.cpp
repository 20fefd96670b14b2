#include "store/database.h"

#include <thread>

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "tests/store/temp_database.h"

namespace ondrel {

using test::TempDatabase;

class DataService : public test::OnEachEngine {};

TEST_P(DataService, OnlyAnAbsentKeyRaisesRecordNotFound) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "N0001", {{"x"}});
    File budget = t.db->OpenFile("BUDGET");
    try {
        budget.ReadRecord("N0002");
        FAIL();
    } catch (const DataError& e) {
        EXPECT_EQ(e.number(), kRecordNotFound);
    }
    try {
        t.db->OpenFile("NOFILE");
        FAIL();
    } catch (const DataError& e) {
        EXPECT_NE(e.number(), kRecordNotFound);
    }
    EXPECT_NO_THROW(budget.ReadRecord("N0001"));
}

TEST_P(DataService, MultiValuedFieldsRoundTripAnyText) {
    TempDatabase t(GetParam());
    std::vector<std::vector<std::string>> fields = {
        {"Électricité « été » l'an \"2027\"  "}, {"0", "", "2"}, {"8333", "", "8337", ""}, {}, {"after a gap"}};
    t.put("BUDGET", "N00016061000000", fields);
    Record back = t.db->OpenFile("BUDGET").ReadRecord("N00016061000000");
    EXPECT_EQ(back.value(1, 1), fields[0][0]);
    EXPECT_EQ(back.fields()[1], fields[1]);
    EXPECT_EQ(back.fields()[2], fields[2]);
    EXPECT_TRUE(back.fields()[3].empty());
    EXPECT_EQ(back.value(5, 1), "after a gap");
}

TEST_P(DataService, AValueHoldingTheSeparatorIsRefused) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    Record r = t.db->OpenFile("BUDGET").OpenRecordForWrite("K");
    r.setValue(1, 1, std::string("a") + kValueMark + "b");
    EXPECT_THROW(r.DBWrite(), DataError);
    EXPECT_THROW(t.db->OpenFile("BUDGET").ReadRecord("K"), DataError);
}

TEST_P(DataService, AKeyHoldingTheSeparatorIsRefused) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    Record r = t.db->OpenFile("BUDGET").OpenRecordForWrite(std::string("N0") + kValueMark + "1");
    r.setValue(1, 1, "label");
    EXPECT_THROW(r.DBWrite(), DataError);
    EXPECT_TRUE(t.db->keys("BUDGET").empty());
}

TEST_P(DataService, NothingIsStoredBeforeDBWrite) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    File budget = t.db->OpenFile("BUDGET");
    Record r = budget.OpenRecordForWrite("N0");
    EXPECT_TRUE(r.fields().empty());
    r.setValue(1, 1, "Loyer");
    EXPECT_THROW(budget.ReadRecord("N0"), DataError);
    r.DBWrite();
    EXPECT_EQ(budget.ReadRecord("N0").value(1, 1), "Loyer");
}

TEST_P(DataService, WriteReplacesTheWholeRecord) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "K", {{"a"}, {"0", "1", "2"}, {"1", "2", "3"}});
    File budget = t.db->OpenFile("BUDGET");
    Record r = budget.OpenRecordForWrite("K");
    r.setField(2, "");
    r.setField(3, "");
    r.setValue(2, 1, "5");
    r.setValue(3, 1, "100");
    r.DBWrite();
    Record back = budget.ReadRecord("K");
    EXPECT_EQ(back.fields()[1], std::vector<std::string>{"5"});
    EXPECT_EQ(back.value(3, 2), "");
    EXPECT_EQ(back.value(1, 1), "a");
}

// What a view watches: a write, a creation or a deletion under the prefix changes the
// stamp, whoever makes it; one elsewhere does not.
TEST_P(DataService, TheChangeStampFollowsTheRecordsOfItsPrefixAlone) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "N0001A", {{"a"}});
    auto other = Database::open(t.path());
    const std::string first = t.db->changeStamp("BUDGET", "N0001");
    EXPECT_EQ(first, "1/1");
    t.put("BUDGET", "N0002A", {{"b"}});
    t.put("BUDGET", "N0001", {{"c"}});
    EXPECT_EQ(t.db->changeStamp("BUDGET", "N0001"), "2/2");
    Record r = other->OpenFile("BUDGET").ReadRecord("N0001A");
    r.setValue(1, 1, "changed");
    r.DBWrite();
    EXPECT_EQ(t.db->changeStamp("BUDGET", "N0001"), "2/3") << "another desk's write";
    t.db->remove("BUDGET", "N0001");
    EXPECT_EQ(t.db->changeStamp("BUDGET", "N0001"), "1/2");
}

TEST_P(DataService, DeleteRemovesTheRecordAndAnAbsentKeyIsNoFailure) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "K", {{"a"}});
    File budget = t.db->OpenFile("BUDGET");
    budget.DeleteRecord(budget.ReadRecord("K"));
    EXPECT_THROW(budget.ReadRecord("K"), DataError);
    EXPECT_NO_THROW(t.db->remove("BUDGET", "K"));
    EXPECT_TRUE(t.db->keys("BUDGET").empty());
}

TEST_P(DataService, ACommittedWriteIsSeenByAnotherConnection) {
    TempDatabase t(GetParam());
    t.put("BUDGET", "K", {{"a"}});
    auto other = Database::open(t.path());
    EXPECT_EQ(other->OpenFile("BUDGET").ReadRecord("K").value(1, 1), "a");
}

TEST_P(DataService, AFailedTransactionLeavesNothingBehind) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    EXPECT_THROW(t.db->inOneTransaction([&] {
        t.db->write("BUDGET", t.db->makeRecord("BUDGET", "A", {{"a"}}));
        throw DataError(kStoreFailure, "stop");
    }),
                 DataError);
    EXPECT_TRUE(t.db->keys("BUDGET").empty());
}

TEST_P(DataService, TwoConnectionsWritingAtOnceBothLand) {
    TempDatabase t(GetParam());
    t.db->createFile("BUDGET");
    auto writer = [&](const std::string& prefix) {
        auto db = Database::open(t.path());
        File budget = db->OpenFile("BUDGET");
        for (int i = 0; i < 50; ++i) {
            Record r = budget.OpenRecordForWrite(prefix + std::to_string(i));
            r.setValue(1, 1, prefix);
            r.setValue(2, 1, std::to_string(i));
            r.DBWrite();
        }
    };
    std::thread a(writer, "A"), b(writer, "B");
    a.join();
    b.join();
    EXPECT_EQ(t.db->keys("BUDGET").size(), 100u);
    for (const auto& key : t.db->keys("BUDGET"))
        EXPECT_EQ(t.db->OpenFile("BUDGET").ReadRecord(key).value(1, 1), key.substr(0, 1));
}

TEST_P(DataService, RightsAreKeptByUserAndScreen) {
    TempDatabase t(GetParam());
    EXPECT_FALSE(t.db->accessLevel("marie", "ONDREL"));
    t.db->setAccessLevel("marie", "ONDREL", 2);
    t.db->setAccessLevel("marie", "ONDREL", -1);
    EXPECT_EQ(t.db->accessLevel("marie", "ONDREL"), -1);
    EXPECT_FALSE(t.db->accessLevel("marie", "AUTRE"));
}

INSTANTIATE_TEST_SUITE_P(Engines, DataService, ::testing::Values(test::Engine::SQLite, test::Engine::PostgreSQL),
                         test::engineName);

}  // namespace ondrel
