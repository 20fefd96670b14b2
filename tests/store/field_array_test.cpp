#include <gtest/gtest.h>

#include "store/field_array.h"

namespace ondrel {

using Fields = std::vector<std::vector<std::string>>;

// What each engine hands back: the server writes an element bare when it can, quoted
// when it must; the file holds what the service wrote, every element quoted.
TEST(FieldArray, ReadsWhatEitherEngineWrites) {
    const struct {
        const char* array;
        Fields fields;
    } cases[] = {
        {"{}", {}},
        {"{Loyer,0\x1e" "1,NULL,001}", {{"Loyer"}, {"0", "1"}, {}, {"001"}}},
        {R"({"a \"b\", c","{x}","\\",NULL,NULL})", {{"a \"b\", c"}, {"{x}"}, {"\\"}}},
        {R"({"NULL",""})", {{"NULL"}, {}}},
        {"not an array", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(recordFields(c.array), c.fields) << c.array;
}

TEST(FieldArray, WhatIsWrittenReadsBackTheSame) {
    const Fields tricky[] = {
        {{"Fournitures de bureau"}, {"0", "", "2"}, {"100", "-200", "300"}, {"001"}},
        {{}, {"NULL"}, {"\"", "\\", ",", "{", "}", " ", "é€"}},
    };
    for (const auto& fields : tricky) {
        EXPECT_EQ(recordFields(fieldArray(fields)), fields) << fieldArray(fields);
        const auto wholes = wholeFields(fieldArray(fields), fields.size() + 1);
        EXPECT_FALSE(wholes.back()) << "a field past the last is none";
    }
    // A field of one empty value is there, with no value, as its whole text is empty.
    EXPECT_EQ(recordFields(fieldArray({{""}})), (Fields{{}}));
    EXPECT_EQ(wholeFields(R"({"a",NULL,"b"})", 3),
              (std::vector<std::optional<std::string>>{"a", std::nullopt, "b"}));
}

}  // namespace ondrel
