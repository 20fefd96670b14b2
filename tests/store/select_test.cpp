#include <optional>

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "data/request.h"
#include "data/select_sentence.h"
#include "tests/store/temp_database.h"

namespace ondrel {

using test::TempDatabase;

class Select : public test::OnEachEngine {
protected:
    void SetUp() override {
        OnEachEngine::SetUp();
        if (IsSkipped())
            return;
        t.emplace(GetParam());
        t->put("BUDGET", "N00016061000000", {{"Fournitures"}});
        t->put("BUDGET", "N00016064000000", {{"FOURNITURES DE BUREAU"}});
        t->put("BUDGET", "N00016130000000", {{"Locations"}});
        t->put("BUDGET", "N10016061000000", {{"Fournitures"}});
        t->put("BUDGET", "N00026061000000", {{"électricité"}});
        t->put("BUDGET", "N00026062000000", {{"Électricité bis"}});
        t->put("BUDGET", "N00026063000000", {{"A \"quoted\" l'label"}});
        t->put("BUDGET", "N00026065000000", {});
    }

    ResultTable run(const std::string& sentence, const std::string& file = "BUDGET", const std::string& fields = "0 1") {
        Request q;
        q.set(1, sentence);
        q.set(2, file);
        q.set(3, fields);
        return t->db->RunSelect(q.text(), "", nullptr);
    }

    std::vector<std::string> keys(const ResultTable& table) {
        std::vector<std::string> k;
        for (int r = 1; r <= table.DCount(); ++r)
            k.push_back(table.cell(r, 1));
        return k;
    }

    std::optional<TempDatabase> t;
};

// Each field list is a statement shape of its own; a long session of them keeps a
// bounded number prepared and still answers each one.
TEST_P(Select, ManyShapesKeepABoundedCacheAndRightAnswers) {
    for (const char* sort : {"PAR 1", "PAR 0"}) {
        std::string fields = "0";
        for (int n = 1; n <= 50; ++n) {
            fields += " 1";
            auto table = run(std::string("SSELECT BUDGET AVEC 0 = \"N0001]\" 0 ") + sort, "BUDGET", fields);
            ASSERT_EQ(table.DCount(), 3);
            ASSERT_EQ(table.cell(1, n + 1), sort == std::string("PAR 1") ? "FOURNITURES DE BUREAU" : "Fournitures");
        }
    }
    EXPECT_LE(t->db->cachedStatements(), 64u);
}

TEST_P(Select, KeyPrefixSortsByLabelThenKey) {
    auto table = run("SSELECT BUDGET AVEC 0 = \"N0001]\" 0 1 PAR 1");
    EXPECT_EQ(keys(table), (std::vector<std::string>{"N00016064000000", "N00016061000000", "N00016130000000"}));
    EXPECT_EQ(table.cell(2, 2), "Fournitures");
}

TEST_P(Select, ByteOrderPutsUpperCaseAndAccentsWhereTheirBytesSort) {
    auto table = run("SSELECT BUDGET AVEC 0 = \"N0002]\" 0 1 PAR 1");
    // No label first, then "A…", then "É" (0xC3 0x89) before "é" (0xC3 0xA9).
    EXPECT_EQ(keys(table), (std::vector<std::string>{"N00026065000000", "N00026063000000", "N00026062000000",
                                                     "N00026061000000"}));
}

TEST_P(Select, LabelPrefixIgnoresCaseAccentedLettersIncluded) {
    EXPECT_EQ(run("SSELECT BUDGET AVEC 1 = \"FOURN]\" 0 1 PAR 1").DCount(), 3);
    EXPECT_EQ(run("SSELECT BUDGET AVEC 1 = \"fourn]\" 0 1 PAR 1").DCount(), 3);
    EXPECT_EQ(run("SSELECT BUDGET AVEC 1 = \"ÉLECTRICITÉ]\" 0 1 PAR 1").DCount(), 2);
}

TEST_P(Select, WholeMatchNeedsTheWholeField) {
    EXPECT_EQ(run("SSELECT BUDGET AVEC 1 = \"fournitures\" 0 1 PAR 1").DCount(), 2);
    EXPECT_EQ(run("SSELECT BUDGET AVEC 0 = \"N0001\" 0 1 PAR 1").DCount(), 0);
}

TEST_P(Select, QuotesInsideAnotherDelimiterAreText) {
    EXPECT_EQ(run("SSELECT BUDGET AVEC 1 = \\A \"QUOTED\" L'L]\\ 0 1 PAR 1").DCount(), 1);
    EXPECT_EQ(run("SSELECT BUDGET AVEC 1 = 'A \"QUOTED\"]' 0 1 PAR 1").DCount(), 1);
}

TEST_P(Select, ColumnsFollowTheFieldList) {
    t->put("BUDGETCLES", "001001", {{"Égale"}, {"S01", "S02"}, {"5000", "5000"}});
    auto table = run("SSELECT BUDGETCLES AVEC 0 = \"001]\" 0 1 2 3 PAR 1", "BUDGETCLES", "0 1 2 3");
    ASSERT_EQ(table.DCount(), 1);
    EXPECT_EQ(table.cell(1, 2), "Égale");
    EXPECT_EQ(table.cell(1, 3), std::string("S01") + kValueMark + "S02");
}

TEST_P(Select, TheFieldListGivesTheColumns) {
    t->put("ASSOCIATION", "002", {{"Deux"}});
    t->put("ASSOCIATION", "001", {{"Un"}});
    auto table = run("SSELECT ASSOCIATION 0 PAR 0", "ASSOCIATION", "0 1");
    EXPECT_EQ(table.rows(), (std::vector<std::vector<std::string>>{{"001", "Un"}, {"002", "Deux"}}));
}

TEST_P(Select, NoRowsLeavesRowOneEmpty) {
    auto table = run("SSELECT BUDGET AVEC 0 = \"N9]\" 0 1 PAR 1");
    EXPECT_EQ(table.DCount(), 0);
    EXPECT_EQ(table.row(1), "");
}

TEST_P(Select, AWrongRequestIsRefusedAndRunsNothing) {
    EXPECT_THROW(run("SSELECT NOFILE 0 PAR 0", "NOFILE", "0"), DataError);
    EXPECT_THROW(run("SSELECT BUDGET 0 1 PAR 1", "ASSOCIATION", "0 1"), DataError);
    EXPECT_THROW(run("SSELECT BUDGET 0 1 PAR 1", "BUDGET", "0 x"), DataError);
}

TEST_P(Select, EverySentenceOfTheScreenUsesAnIndex) {
    t->put("ASSOCIATION", "001", {{"Un"}});
    t->put("BUDGETCLES", "001001", {{"Égale"}});
    t->put("PLANCOMPTABLE", "0016061000000", {{"Eau"}});
    const std::pair<const char*, const char*> sentences[] = {
        {"SSELECT ASSOCIATION 0 PAR 0", "0 1"},
        {"SSELECT BUDGETCLES AVEC 0 = \"001]\" 0 1 2 3 PAR 1", "0 1 2 3"},
        {"SSELECT BUDGET AVEC 0 = \"N00016]\" 0 1 PAR 1", "0 1"},
        {"SSELECT BUDGET AVEC 1 = \"FOURN]\" 0 1 PAR 1", "0 1"},
        {"SSELECT PLANCOMPTABLE AVEC 0 = \"0016]\" 0 1 PAR 1", "0 1"},
    };
    for (auto [sentence, fields] : sentences) {
        Request q;
        q.set(1, sentence);
        q.set(2, parseSelect(sentence).file);
        q.set(3, fields);
        std::string plan = t->db->selectPlan(q.text());
        const char* wholeTable = GetParam() == test::Engine::SQLite ? "SCAN" : "Seq Scan";
        EXPECT_EQ(plan.find(wholeTable), std::string::npos) << sentence << "\n" << plan;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, Select, ::testing::Values(test::Engine::SQLite, test::Engine::PostgreSQL),
                         test::engineName);

}  // namespace ondrel
