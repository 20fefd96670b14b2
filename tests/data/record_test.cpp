#include "data/record.h"

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "data/request.h"
#include "data/result_table.h"

namespace ondrel {

TEST(Record, ValuesPastTheLastReadAsEmpty) {
    Record r("K", {{"label"}, {"0", "1"}});
    EXPECT_EQ(r.field(0), "K");
    EXPECT_EQ(r.value(1, 1), "label");
    EXPECT_EQ(r.value(2, 2), "1");
    EXPECT_EQ(r.value(2, 3), "");
    EXPECT_EQ(r.value(7, 1), "");
    EXPECT_EQ(r.field(7), "");
}

TEST(Record, WritingEmptyTextEmptiesEveryValueOfTheField) {
    Record r("K", {{"a"}, {"0", "1", "2"}, {"5", "6", "7"}});
    r.setField(2, "");
    r.setField(3, "");
    EXPECT_EQ(r.field(2), "");
    EXPECT_EQ(r.value(3, 1), "");
    r.setValue(2, 1, "4");
    EXPECT_EQ(r.value(2, 1), "4");
    EXPECT_EQ(r.value(2, 2), "");
}

TEST(Record, WritingAValueFarOutFillsTheGapWithEmptyValues) {
    Record r("K", {});
    r.setValue(3, 3, "x");
    EXPECT_EQ(r.fields().size(), 3u);
    EXPECT_EQ(r.fields()[2], (std::vector<std::string>{"", "", "x"}));
}

TEST(Record, WholeFieldJoinsValuesAndSplitsBack) {
    Record r("K", {});
    r.setField(2, std::string("a") + kValueMark + kValueMark + "c");
    EXPECT_EQ(r.value(2, 2), "");
    EXPECT_EQ(r.value(2, 3), "c");
}

TEST(Record, FieldsAndValuesAreNumberedFromOne) {
    Record r("K", {});
    EXPECT_THROW(r.setField(0, "x"), DataError);
    EXPECT_THROW(r.setValue(1, 0, "x"), DataError);
}

TEST(Record, DBWriteWithoutAFileFails) {
    Record r("K", {});
    EXPECT_THROW(r.DBWrite(), DataError);
}

TEST(Request, TextCarriesTheThreeValues) {
    Request q;
    q.set(1, "SSELECT ASSOCIATION 0 PAR 0");
    q.set(2, "ASSOCIATION");
    q.set(3, "0 1");
    Request back = Request::parse(q.text());
    EXPECT_EQ(back.get(1), "SSELECT ASSOCIATION 0 PAR 0");
    EXPECT_EQ(back.get(3), "0 1");
    EXPECT_THROW(q.set(4, "x"), DataError);
    EXPECT_THROW(Request::parse("SSELECT ASSOCIATION 0 PAR 0"), DataError);
}

TEST(ResultTable, CellsOutsideTheTableAreEmpty) {
    ResultTable t({{"001", "Un"}, {"002", "Deux"}});
    EXPECT_EQ(t.DCount(), 2);
    EXPECT_EQ(t.cell(2, 2), "Deux");
    EXPECT_EQ(t.cell(3, 1), "");
    EXPECT_EQ(t.cell(1, 3), "");
    EXPECT_EQ(t.cell(0, 1), "");
    EXPECT_EQ(ResultTable().row(1), "");
    EXPECT_NE(t.row(1), "");
}

}  // namespace ondrel
