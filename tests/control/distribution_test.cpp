#include <gtest/gtest.h>

#include "data/data_error.h"
#include "tests/control/control_fixture.h"

namespace ondrel {

using test::ControlTest;

class Distribution : public ControlTest {
protected:
    // A new line of 600,00 on 6022000000 for entity 001, its distribution browsed.
    void SetUp() override {
        ControlTest::SetUp();
        c = start();
        type(*c, "Txt_CodAssoc", "1\n");
        type(*c, "Txt_Cpte", "6022\n");
        type(*c, "Txt_ValBud", "600");
        c->screen().moveFocus(z("Txt_LibCompte"));
    }
    Zone& z(const char* name) { return c->screen().zone(name); }

    // The frame zone by zone: locked, browsing, addition, change.
    void expectState(const char* state) {
        struct Row {
            const char* zone;
            bool locked, browsing, addition, change;
        };
        const Row table[] = {
            {"Cdr_Repartition", false, true, true, true},        {"Cdr_AutoManuel", false, true, false, false},
            {"Opt_Automatique", false, true, false, false},      {"Opt_Manuelle", false, true, false, false},
            {"Etq_Periode", false, true, true, true},            {"Etq_Affectation", false, true, true, true},
            {"Lst_RepartPer", false, true, false, false},        {"Cbo_Periode", false, false, true, false},
            {"Txt_Affect", false, false, true, true},            {"Cmd_AjouterRepartition", false, true, false, false},
            {"Cmd_SupprimerRepartition", false, false, false, true}, {"Cmd_OkRepartition", false, false, true, true},
        };
        std::string s = state;
        for (const auto& row : table) {
            bool on = s == "locked" ? row.locked : s == "browsing" ? row.browsing : s == "addition" ? row.addition : row.change;
            EXPECT_EQ(z(row.zone).enabled(), on) << row.zone << " in " << state;
        }
        if (s != "locked") {
            EXPECT_EQ(z("Cmd_AnnulerRepartition").enabled(), s != "browsing") << state;
        }
        if (s != "change") {
            EXPECT_EQ(z("Cbo_Periode").listIndex(), -1) << state;
            EXPECT_EQ(z("Txt_Affect").text(), "") << state;
        }
    }

    std::unique_ptr<Crt_Ondrel> c;
};

TEST_F(Distribution, TheFrameHoldsItsStateAfterEveryCommand) {
    expectState("browsing");
    z("Cmd_AjouterRepartition").click();
    expectState("addition");
    host.answers.push_back(true);
    z("Cmd_AnnulerRepartition").click();
    expectState("browsing");
    z("Lst_RepartPer").setListIndex(0);
    z("Lst_RepartPer").events().dblClick();
    expectState("change");
    EXPECT_EQ(z("Cbo_Periode").listIndex(), 0);
    EXPECT_EQ(z("Txt_Affect").text(), "      600,00");
    z("Cmd_OkRepartition").click();
    expectState("browsing");
    z("Lst_RepartPer").setListIndex(0);
    z("Lst_RepartPer").events().dblClick();
    z("Cmd_AnnulerRepartition").click();
    expectState("browsing");
    c->GriserRepart();
    expectState("locked");
}

TEST_F(Distribution, ALineEditLocksTheRestOfTheLineAndLeavingReopensIt) {
    z("Cmd_AjouterRepartition").click();
    for (const char* name : {"Txt_ValBud", "Etq_ValeurBudget", "Txt_Eclat", "Cbo_Eclat", "Txt_LibCompte",
                             "Cmd_OkBudget", "Cmd_AnnulerBudget", "Cmd_SupprimerBudget"})
        EXPECT_FALSE(z(name).enabled()) << name;
    host.answers.push_back(true);
    z("Cmd_AnnulerRepartition").click();
    for (const char* name : {"Txt_ValBud", "Txt_Eclat", "Txt_LibCompte", "Cmd_OkBudget", "Cmd_AnnulerBudget"})
        EXPECT_TRUE(z(name).enabled()) << name;
    EXPECT_FALSE(z("Cmd_SupprimerBudget").enabled()) << "a line being created cannot be deleted";
}

TEST_F(Distribution, AFailingWriteLeavesTheLineOnScreenAndNotSaved) {
    z("Txt_Eclat").setText("001");
    data.sql("ALTER TABLE history RENAME TO history_away");
    EXPECT_THROW(z("Cmd_OkBudget").click(), DataError);
    EXPECT_TRUE(c->W_Creation);
    EXPECT_EQ(z("Txt_Cpte").text(), "6022000000");
    EXPECT_TRUE(z("Cmd_OkBudget").enabled());
    EXPECT_FALSE(z("Cmd_Sortir").enabled());
    data.sql("ALTER TABLE history_away RENAME TO history");
    z("Cmd_OkBudget").click();
    EXPECT_EQ(data.db->OpenFile("BUDGET").ReadRecord("N00016022000000").value(3, 1), "60000");
}

TEST_F(Distribution, ASavedLineKeepsNoStaleValues) {
    z("Opt_Automatique").click();
    z("Txt_Eclat").setText("001");
    z("Cmd_OkBudget").click();
    File budget = data.db->OpenFile("BUDGET");
    EXPECT_EQ(budget.ReadRecord("N00016022000000").fields()[1].size(), 12u);

    type(*c, "Txt_Cpte", "6022\n");
    z("Txt_ValBud").setText("");
    type(*c, "Txt_ValBud", "0");
    c->screen().moveFocus(z("Txt_Eclat"));
    z("Cmd_OkBudget").click();
    Record back = budget.ReadRecord("N00016022000000");
    EXPECT_EQ(back.fields()[1], std::vector<std::string>{"0"});
    EXPECT_EQ(back.fields()[2], std::vector<std::string>{"0"}) << "0,00 is stored as 0, not as an empty value";
}

}  // namespace ondrel
