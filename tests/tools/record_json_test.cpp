#include "tools/record_json.h"

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
