#include <ostream>

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "tests/control/control_fixture.h"

namespace ondrel {

using test::ControlTest;

struct RightsCase {
    std::int32_t level;
    bool buttonsShown;
};

// Names the case in the test list.
inline void PrintTo(const RightsCase& c, std::ostream* out) {
    *out << c.level;
}


class RightsGating : public ControlTest, public ::testing::WithParamInterface<RightsCase> {};

TEST_P(RightsGating, OnlyFullRightsKeepOkAndDelete) {
    auto c = start(GetParam().level);
    Screen& s = c->screen();
    EXPECT_EQ(s.zone("Cmd_OkBudget").visible(), GetParam().buttonsShown);
    EXPECT_EQ(s.zone("Cmd_SupprimerBudget").visible(), GetParam().buttonsShown);
    EXPECT_TRUE(s.zone("Cmd_AnnulerBudget").visible());
    // Still hidden once a stored line is on screen.
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6064\n");
    EXPECT_TRUE(s.zone("Cmd_OkBudget").enabled());
    EXPECT_EQ(s.zone("Cmd_OkBudget").visible(), GetParam().buttonsShown);
}

INSTANTIATE_TEST_SUITE_P(Levels, RightsGating,
                         ::testing::Values(RightsCase{2, true}, RightsCase{0, false}, RightsCase{-1, false},
                                           RightsCase{5, false}));

TEST_F(ControlTest, InitOpensTheNineFilesAndFailsOnTheFirstMissing) {
    data.sql("DELETE FROM file WHERE name = 'SCLASSE'");
    Crt_Ondrel c(host, {});
    c.TheDatabase(data.db);
    c.DroitsUtilisateur(fixedRights(2));
    try {
        c.Init();
        FAIL() << "Init went on without SCLASSE";
    } catch (const DataError& e) {
        EXPECT_EQ(e.number(), kFileNotFound);
        EXPECT_NE(std::string(e.what()).find("SCLASSE"), std::string::npos);
    }
    EXPECT_TRUE(host.messages.empty()) << "the control shows nothing of its own";
    EXPECT_EQ(c.screen().zone("Cbo_Assoc").listCount(), 0) << "the steps after the failure do not run";
}

TEST_F(ControlTest, InitWithoutTheSectionTableReachesTheHost) {
    data.db->remove("TABLES", "SECTANAL");
    Crt_Ondrel c(host, {});
    c.TheDatabase(data.db);
    c.DroitsUtilisateur(fixedRights(2));
    EXPECT_THROW(c.Init(), DataError);
}

TEST_F(ControlTest, InitWithoutDatabaseOrRightsReachesTheHost) {
    Crt_Ondrel c(host, {});
    c.DroitsUtilisateur(fixedRights(2));
    EXPECT_THROW(c.Init(), DataError);
    Crt_Ondrel d(host, {});
    d.TheDatabase(data.db);
    EXPECT_THROW(d.Init(), DataError);
}

TEST_F(ControlTest, ASingleEntityIsChosenAtOnce) {
    for (const char* code : {"002", "003"})
        data.db->remove("ASSOCIATION", code);
    auto c = start();
    Screen& s = c->screen();
    EXPECT_EQ(s.zone("Txt_CodAssoc").text(), "001");
    EXPECT_EQ(s.zone("Cbo_Assoc").listCount(), 1);
    EXPECT_EQ(s.zone("Cbo_Exercice").listIndex(), 0);
    EXPECT_EQ(s.focus()->name(), "Txt_Cpte");
}

TEST_F(ControlTest, ASingleEntityWithoutKeysIsRefusedDuringInit) {
    for (const char* code : {"001", "003"})
        data.db->remove("ASSOCIATION", code);
    auto c = start();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(c->screen().zone("Txt_CodAssoc").text(), "");
}

TEST_F(ControlTest, ExitSetsTheFlagAndUnloadsTheHost) {
    auto c = start();
    c->screen().zone("Cmd_Sortir").click();
    EXPECT_TRUE(c->W_Sortir);
    EXPECT_EQ(host.unloads, 1);
}

TEST_F(ControlTest, TearingDownOneInstanceLeavesTheOtherWorking) {
    auto first = start();
    auto second = start();
    first.reset();
    type(*second, "Txt_CodAssoc", "1\n");
    type(*second, "Txt_Cpte", "6064\n");
    EXPECT_EQ(second->screen().zone("Txt_LibCompte").text(), "Fournitures administratives");
    second->screen().zone("Cmd_AnnulerBudget").click();
    EXPECT_EQ(second->screen().zone("Txt_Cpte").text(), "");
}

TEST_F(ControlTest, TheLastInstanceGoneReleasesTheDatabase) {
    std::weak_ptr<Database> released = data.db;
    auto first = start();
    auto second = start();
    data.db.reset();
    first.reset();
    EXPECT_FALSE(released.expired()) << "the second instance still works on it";
    second.reset();
    EXPECT_TRUE(released.expired());
}

TEST_F(ControlTest, GriserEmptiesAndLocksEverythingBelowTheEntity) {
    auto c = start();
    Screen& s = c->screen();
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6064\n");
    s.zone("Cmd_OkBudget").setEnabled(true);
    c->Griser();

    struct Step {
        const char* zone;
        bool emptied;
    };
    const Step steps[] = {
        {"Cbo_Exercice", true},  {"Txt_DateDebutExercice", true}, {"Txt_DateFinExercice", true},
        {"Etq_DebutExercice", false}, {"Etq_FinExercice", false}, {"Cdr_Exercice", false},
        {"Etq_CompteBudget", false}, {"Txt_Cpte", true}, {"Cac_Reg", false}, {"Txt_LibCompte", true},
        {"Cbo_Cpte", true}, {"Etq_ValeurBudget", false}, {"Txt_ValBud", true}, {"Opt_Manuelle", false},
        {"Opt_Automatique", false}, {"Cdr_AutoManuel", false}, {"Etq_Periode", false}, {"Etq_Repartition", false},
        {"Lst_RepartPer", true}, {"Cbo_Periode", false}, {"Txt_Affect", true}, {"Cmd_AjouterRepartition", false},
        {"Cmd_SupprimerRepartition", false}, {"Cmd_OkRepartition", false}, {"Cdr_Repartition", false},
        {"Txt_Eclat", true}, {"Cbo_Eclat", true}, {"Lst_Sect", true}, {"Cdr_Eclatement", false},
    };
    for (const auto& step : steps) {
        Zone& z = s.zone(step.zone);
        EXPECT_FALSE(z.enabled()) << step.zone;
        if (!step.emptied)
            continue;
        if (z.kind() == ZoneKind::TextBox)
            EXPECT_EQ(z.text(), "") << step.zone;
        else if (z.kind() == ZoneKind::DropDownList)
            EXPECT_EQ(z.listIndex(), -1) << step.zone;
        else
            EXPECT_EQ(z.listCount(), 0) << step.zone;
    }
    EXPECT_EQ(s.zone("Cbo_Exercice").listCount(), 2) << "the year list keeps its items";
    EXPECT_EQ(s.zone("Cbo_Eclat").listCount(), 3) << "the key list keeps its items";
    EXPECT_EQ(s.zone("Cbo_Periode").listCount(), 12) << "the calendar keeps its periods";
    EXPECT_FALSE(s.zone("Txt_CodAssoc").enabled()) << "the entity zones keep the state the display left";
    EXPECT_TRUE(s.zone("Cmd_OkBudget").enabled()) << "the budget buttons keep their state";
    EXPECT_TRUE(s.zone("Cmd_AnnulerBudget").enabled());
}

}  // namespace ondrel
