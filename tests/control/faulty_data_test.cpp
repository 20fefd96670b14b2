#include <gtest/gtest.h>

#include "tests/control/control_fixture.h"

namespace ondrel {

using test::ControlTest;

// Lines and years that another program wrote, and reads that fail: the screen says
// what is wrong, shows nothing as stored that is not, and stays usable.
class FaultyData : public ControlTest {
protected:
    Zone& z(const char* name) { return c->screen().zone(name); }
    Record stored(const std::string& key) { return data.db->OpenFile("BUDGET").ReadRecord(key); }
    bool lineCommandsOpen() {
        return z("Cmd_OkBudget").enabled() && z("Cmd_AnnulerBudget").enabled() && z("Cmd_SupprimerBudget").enabled();
    }
    void click(const char* name) {
        z(name).setFocus();
        z(name).click();
    }
    std::unique_ptr<Crt_Ondrel> c;
};

TEST_F(FaultyData, AFailedReadIsNeverTakenForAStoredLineAndTheScreenGoesOnAfterwards) {
    c = start();
    type(*c, "Txt_CodAssoc", "1\n");
    data.sql("ALTER TABLE record RENAME TO record_away");
    type(*c, "Txt_Cpte", "6064\n");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find("base"), std::string::npos) << host.messages[0];
    EXPECT_FALSE(c->W_Creation);
    EXPECT_FALSE(z("Cmd_OkBudget").enabled());
    EXPECT_EQ(z("Txt_Cpte").text(), "");
    EXPECT_TRUE(z("Txt_Cpte").canTakeFocus());

    data.sql("ALTER TABLE record_away RENAME TO record");
    type(*c, "Txt_Cpte", "6064\n");
    EXPECT_EQ(z("Txt_LibCompte").text(), "Fournitures administratives");
    EXPECT_TRUE(lineCommandsOpen());
}

// A value left empty in the middle of the amounts: the amounts after it are shown
// too, and Ok does not write the line over with fewer values than it holds.
TEST_F(FaultyData, AStoredLineWithAnEmptyAmountShowsTheRestAndIsNotSavedOver) {
    data.put("BUDGET", "N00016022000000", {{"Achats"}, {"0", "1", "2"}, {"100", "", "300"}, {"001"}});
    c = start();
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6022\n");
    ASSERT_EQ(z("Lst_RepartPer").listCount(), 2);
    EXPECT_EQ(z("Lst_RepartPer").itemData(1), 2);
    EXPECT_EQ(z("Txt_ValBud").text(), "4,00");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find("valeur n° 2"), std::string::npos) << host.messages[0];
    EXPECT_TRUE(lineCommandsOpen());

    click("Cmd_OkBudget");
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(stored("N00016022000000").fields()[2], (std::vector<std::string>{"100", "", "300"}));

    // The next line is not held to the refusal.
    click("Cmd_AnnulerBudget");
    type(*c, "Txt_Cpte", "6064\n");
    click("Cmd_OkBudget");
    EXPECT_EQ(host.messages.size(), 2u);
}

TEST_F(FaultyData, AStoredKeyWithoutItsRecordIsNamedAndTheLineCanBeMended) {
    data.put("BUDGET", "N00016022000000", {{"Achats"}, {"0"}, {"5000"}, {"009"}});
    c = start();
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6022\n");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find("« 009 »"), std::string::npos) << host.messages[0];
    EXPECT_TRUE(lineCommandsOpen());
    EXPECT_FALSE(z("Txt_Cpte").enabled());
    EXPECT_EQ(z("Txt_Eclat").text(), "");
    EXPECT_GT(z("Cbo_Eclat").listCount(), 0);

    type(*c, "Txt_Eclat", "001");
    click("Cmd_OkBudget");
    EXPECT_EQ(stored("N00016022000000").value(4, 1), "001");
}

struct BadYear {
    const char* start;
    const char* end;
    const char* says;
};

std::string badYearName(const ::testing::TestParamInfo<BadYear>& info) {
    static const char* const names[] = {"Inverted", "LongerThanTheWalk", "ImpossibleDate", "NoDate"};
    return names[info.index];
}

class FaultyYear : public FaultyData, public ::testing::WithParamInterface<BadYear> {};

// The year N cannot be walked; N+1 can, and opens the account.
TEST_P(FaultyYear, IsRefusedWhenChosenAndLocksTheAccount) {
    data.put("PARAMENTITECOMPTA", "001", {{GetParam().start}, {GetParam().end}, {"2028-01-01"}, {"2028-12-31"}});
    c = start();
    type(*c, "Txt_CodAssoc", "1\n");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].rfind(GetParam().says, 0), 0u) << host.messages[0];
    EXPECT_FALSE(z("Txt_Cpte").canTakeFocus());
    EXPECT_EQ(z("Cbo_Periode").listCount(), 0);
    EXPECT_TRUE(z("Cbo_Exercice").canTakeFocus());

    z("Cbo_Exercice").setFocus();
    z("Cbo_Exercice").pick(1);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(z("Txt_Cpte").canTakeFocus());
    EXPECT_EQ(z("Cbo_Periode").listCount(), 12);

    z("Cbo_Exercice").pick(0);
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_FALSE(z("Txt_Cpte").canTakeFocus());
}

INSTANTIATE_TEST_SUITE_P(Table, FaultyYear,
                         ::testing::Values(BadYear{"2027-01-01", "2026-12-31", "L'exercice du 01/01/2027"},
                                           BadYear{"2027-01-01", "2037-12-31", "L'exercice du 01/01/2027"},
                                           BadYear{"2027-02-30", "2027-12-31", "La date « 2027-02-30 »"},
                                           BadYear{"", "2027-12-31", "Une date de l'exercice n'est pas renseignée."}),
                         badYearName);

}  // namespace ondrel
