#include "admin/record_json.h"

#include <gtest/gtest.h>

namespace ondrel {

TEST(RecordJson, ReadsTheLineFormat) {
    auto r = parseRecordLine(
        R"({"file":"BUDGET","key":"N00016061000000","fields":[["LOYER"],["0","1"],["8333","8337"],["001"]]})");
    EXPECT_EQ(r.file, "BUDGET");
    EXPECT_EQ(r.key, "N00016061000000");
    EXPECT_EQ(r.fields[2], (std::vector<std::string>{"8333", "8337"}));
}

TEST(RecordJson, EmptyFieldIsEitherForm) {
    auto r = parseRecordLine(R"({"file":"F","key":"K","fields":[[],[""],["a","","b"]]})");
    EXPECT_TRUE(r.fields[0].empty());
    EXPECT_TRUE(r.fields[1].empty());
    EXPECT_EQ(r.fields[2].size(), 3u);
}

TEST(RecordJson, WritesWhatItReads) {
    Record record("N00016061000000", {{"Électricité \"été\""}, {"0", "", "2"}, {}, {"001"}, {}});
    auto line = recordLine("BUDGET", record);
    EXPECT_EQ(line, R"({"file":"BUDGET","key":"N00016061000000","fields":[["Électricité \"été\""],["0","","2"],[],["001"]]})");
    auto back = parseRecordLine(line);
    EXPECT_EQ(back.fields[1], record.fields()[1]);
}

// Stored bytes that are not UTF-8 still make a line, which reads back as the same bytes.
TEST(RecordJson, BytesThatAreNotUtf8TravelAsHex) {
    const std::string bad = "caf\xE9 \xFF";
    Record record(bad, {{bad, "ok"}});
    auto line = recordLine("BUDGET", record);
    EXPECT_EQ(line, R"({"file":"BUDGET","key":{"bytes":"636166e920ff"},"fields":[[{"bytes":"636166e920ff"},"ok"]]})");
    auto back = parseRecordLine(line);
    EXPECT_EQ(back.key, bad);
    EXPECT_EQ(back.fields[0], (std::vector<std::string>{bad, "ok"}));
}

TEST(RecordJson, RefusesMalformedLinesWithTheReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"{", "not JSON"},
        {"[]", "JSON object"},
        {R"({"key":"K","fields":[]})", "\"file\" is missing"},
        {R"({"file":"F","key":7,"fields":[]})", "\"key\" must be a string"},
        {R"({"file":"F","key":"K"})", "\"fields\" is missing"},
        {R"({"file":"F","key":"K","fields":["a"]})", "field 1 must be an array"},
        {R"({"file":"F","key":"K","fields":[[1]]})", "not a string"},
        {R"({"file":"F","key":"K","fields":[],"extra":1})", "unknown member"},
        {R"({"file":"","key":"K","fields":[]})", "\"file\" is empty"},
        {R"({"file":"BUDGET","file":"AUTRE","key":"K","fields":[]})", "\"file\" appears twice"},
        {R"({"file":"F","key":"K","fields":[],"key":"L"})", "\"key\" appears twice"},
        {R"({"file":"F","key":"K\u0000","fields":[]})", "\"key\" holds a control character"},
        {R"({"file":"F\t","key":"K","fields":[]})", "\"file\" holds a control character"},
        {R"({"file":"F","key":"K","fields":[[1e400]]})", "not JSON"},
        {R"({"file":"F","key":"K","fields":[[{"bytes":"4"}]]})", "pairs of hexadecimal"},
    };
    for (auto [line, reason] : cases) {
        try {
            parseRecordLine(line);
            ADD_FAILURE() << "accepted " << line;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << line << ": " << e.what();
        }
    }
}

}  // namespace ondrel
