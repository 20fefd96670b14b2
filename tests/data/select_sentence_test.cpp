#include "data/select_sentence.h"

#include <gtest/gtest.h>

#include "data/data_error.h"

namespace ondrel {

TEST(SelectSentence, ReadsEachClause) {
    auto s = parseSelect("SSELECT BUDGETCLES AVEC 0 = \"001]\" 0 1 2 3 PAR 1");
    EXPECT_EQ(s.file, "BUDGETCLES");
    ASSERT_TRUE(s.condition);
    EXPECT_EQ(s.condition->field, 0);
    EXPECT_EQ(s.condition->value, "001");
    EXPECT_TRUE(s.condition->prefix);
    EXPECT_EQ(s.fields, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(s.sortField, 1);

    auto all = parseSelect("SSELECT ASSOCIATION 0 PAR 0");
    EXPECT_FALSE(all.condition);
    EXPECT_EQ(all.fields, (std::vector<int>{0}));
}

TEST(SelectSentence, AcceptsTheThreeDelimiters) {
    for (const char* sentence : {"SSELECT BUDGET AVEC 1 = \"L'EAU]\" 0 1 PAR 1",
                                 "SSELECT BUDGET AVEC 1 = \\L'EAU]\\ 0 1 PAR 1"}) {
        auto s = parseSelect(sentence);
        EXPECT_EQ(s.condition->value, "L'EAU") << sentence;
    }
    auto s = parseSelect("SSELECT BUDGET AVEC 1 = 'DIT \"OUI\"' 0 1 PAR 1");
    EXPECT_EQ(s.condition->value, "DIT \"OUI\"");
    EXPECT_FALSE(s.condition->prefix);
}

TEST(SelectSentence, AValueWithoutClosingBracketIsAWholeMatch) {
    auto s = parseSelect("SSELECT CLASSE AVEC 0 = \"6\" 0 1 PAR 1");
    EXPECT_FALSE(s.condition->prefix);
    EXPECT_EQ(s.condition->value, "6");
}

class MalformedSentence : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(MalformedSentence, IsRefusedWithWhatAndWhere) {
    auto [sentence, expected] = GetParam();
    try {
        parseSelect(sentence);
        FAIL() << "accepted: " << sentence;
    } catch (const DataError& e) {
        EXPECT_EQ(e.number(), kBadSelect);
        EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, MalformedSentence,
    ::testing::Values(std::pair{"", "il manque SSELECT"}, std::pair{"SELECT BUDGET 0 PAR 0", "« SSELECT » est attendu"},
                      std::pair{"SSELECT", "il manque un nom de fichier"},
                      std::pair{"SSELECT BUDGET AVEC 0 = \"N0] 0 1 PAR 1", "jamais fermée"},
                      std::pair{"SSELECT BUDGET AVEC 0 = N0] 0 1 PAR 1", "caractère 25"},
                      std::pair{"SSELECT BUDGET AVEC X = \"N0]\" 0 1 PAR 1", "numéro de champ"},
                      std::pair{"SSELECT BUDGET AVEC 0 \"N0]\" 0 1 PAR 1", "« = » est attendu"},
                      std::pair{"SSELECT BUDGET 0 un PAR 1", "« un » n'est ni"},
                      std::pair{"SSELECT BUDGET PAR 1", "champs à rendre"},
                      std::pair{"SSELECT BUDGET 0 1", "il manque PAR"},
                      std::pair{"SSELECT BUDGET 0 1 PAR", "champ du tri"},
                      std::pair{"SSELECT BUDGET 0 1 PAR 1 AVEC 0 = \"N]\"", "de trop après le champ du tri"},
                      std::pair{"SSELECT BUDGET 0 -1 PAR 1", "« -1 » n'est ni"},
                      std::pair{"SSELECT BUDGET AVEC 1 = \"A\"B 0 PAR 1", "un blanc doit suivre"}));

TEST(FieldList, IsReadAsNumbers) {
    EXPECT_EQ(parseFieldList("0 1"), (std::vector<int>{0, 1}));
    EXPECT_THROW(parseFieldList(""), DataError);
    EXPECT_THROW(parseFieldList("0 x"), DataError);
}

}  // namespace ondrel
