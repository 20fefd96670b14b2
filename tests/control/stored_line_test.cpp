#include <gtest/gtest.h>

#include "tests/control/control_fixture.h"

namespace ondrel {

using test::ControlTest;

class StoredLine : public ControlTest {
protected:
    Zone& z(const char* name) { return c->screen().zone(name); }
    Record stored(const std::string& key) { return data.db->OpenFile("BUDGET").ReadRecord(key); }
    std::unique_ptr<Crt_Ondrel> c;
};

// Keys 002 and 004 of entity 001 share a label: the line keeps the key it holds.
TEST_F(StoredLine, OkKeepsTheStoredKeyWhenAnotherKeyHasItsLabel) {
    data.put("BUDGETCLES", "001004", {{"Siège uniquement"}, {"S01"}, {"10000"}, {"10000"}});
    data.put("BUDGET", "N00016022000000", {{"Achats"}, {"0"}, {"5000"}, {"004"}});
    c = start();
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6022\n");
    EXPECT_EQ(z("Txt_Eclat").text(), "004");
    EXPECT_EQ(z("Cbo_Eclat").listIndex(), 3);
    z("Cmd_OkBudget").setFocus();
    z("Cmd_OkBudget").click();
    EXPECT_EQ(stored("N00016022000000").value(4, 1), "004");
}

// Abandoning a new line deletes nothing: the line another desk saved under the same
// key meanwhile stays, for a read-only user as for any other.
TEST_F(StoredLine, AbandoningANewLineLeavesWhatAnotherDeskSaved) {
    for (std::int32_t level : {2, 0}) {
        c = start(level);
        type(*c, "Txt_CodAssoc", "1\n");
        type(*c, "Txt_Cpte", "6022\n");
        ASSERT_TRUE(c->W_Creation);
        data.put("BUDGET", "N00016022000000", {{"Saisi ailleurs"}, {"0"}, {"100"}, {"001"}});
        z("Cmd_AnnulerBudget").setFocus();
        z("Cmd_AnnulerBudget").click();
        EXPECT_EQ(stored("N00016022000000").value(1, 1), "Saisi ailleurs") << "level " << level;
        data.db->remove("BUDGET", "N00016022000000");
        c.reset();
    }
}

// A year of fifteen months from December: index 13 is January two years on.
TEST_F(StoredLine, PeriodsPastTheSecondDecemberAreLabelledByTheWalk) {
    data.put("PARAMENTITECOMPTA", "001", {{"2026-12-01"}, {"2028-02-29"}, {"2028-03-01"}, {"2029-02-28"}});
    data.put("BUDGET", "N00016022000000", {{"Achats"}, {"0", "13", "14"}, {"100", "200", "300"}, {"001"}});
    c = start();
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6022\n");
    ASSERT_EQ(z("Lst_RepartPer").listCount(), 3);
    EXPECT_EQ(trimBlanks(leftChars(z("Lst_RepartPer").list(1), 50)), "janvier 2028");
    EXPECT_EQ(trimBlanks(leftChars(z("Lst_RepartPer").list(2), 50)), "février 2028");
}

// Ok and Supprimer are hidden below full rights, and refuse by themselves too.
TEST_F(StoredLine, TheCommandsWriteNothingWithoutFullRights) {
    c = start(0);
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6064\n");
    z("Txt_LibCompte").setEnabled(true);
    z("Txt_LibCompte").setText("Changé");
    z("Cmd_OkBudget").click();
    z("Cmd_SupprimerBudget").click();
    Record line = stored("N00016064000000");
    EXPECT_EQ(line.value(1, 1), "Fournitures administratives");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.messages[0].find("droits"), std::string::npos);
}

}  // namespace ondrel
