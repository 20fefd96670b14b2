#include <gtest/gtest.h>

#include "tests/control/control_fixture.h"

namespace ondrel {

using test::ControlTest;

// Entity 001 chosen, year N shown, the account zone reached.
class EntryZones : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        c = start();
        type(*c, "Txt_CodAssoc", "1\n");
    }
    Zone& z(const char* name) { return c->screen().zone(name); }
    std::unique_ptr<Crt_Ondrel> c;
};

TEST_F(EntryZones, TheYearDatesTakeNoKeyNoPasteAndNoBackspace) {
    type(*c, "Txt_DateFinExercice", "\b\b\b\b\b\b\b");
    z("Txt_DateFinExercice").paste("31/03/2027");
    EXPECT_EQ(z("Txt_DateFinExercice").text(), "31/12/2027");
    EXPECT_EQ(c->screen().focus(), &z("Txt_DateFinExercice")) << "the zone keeps its tab stop";

    // The walk still reads the whole year: an automatic spread covers twelve months.
    type(*c, "Txt_Cpte", "6022\n");
    type(*c, "Txt_ValBud", "1000");
    z("Txt_LibCompte").setFocus();
    z("Opt_Automatique").setFocus();
    z("Opt_Automatique").click();
    EXPECT_EQ(z("Lst_RepartPer").listCount(), 12);
}

struct CodeCase {
    const char* zone;
    const char* pasted;
};

inline void PrintTo(const CodeCase& c, std::ostream* out) {
    *out << c.zone;
}

class CodesInCharacters : public EntryZones, public ::testing::WithParamInterface<CodeCase> {};

// "é1" is three bytes but two characters: it is no whole code, so nothing is looked up.
TEST_P(CodesInCharacters, ATwoCharacterCodeIsNotLookedUp) {
    if (std::string(GetParam().zone) == "Txt_Eclat") {
        type(*c, "Txt_Cpte", "6022\n");
    }
    host.messages.clear();
    Zone& code = z(GetParam().zone);
    code.setFocus();
    code.paste(GetParam().pasted);
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(z("Lst_Sect").listCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Zones, CodesInCharacters,
                         ::testing::Values(CodeCase{"Txt_CodAssoc", "é1"}, CodeCase{"Txt_Eclat", "é1"}));

TEST_F(EntryZones, BlanksAroundAnAmountAreNoFaultAndBlanksAloneAreEmpty) {
    type(*c, "Txt_Cpte", "6022\n");
    type(*c, "Txt_ValBud", "600");
    z("Txt_LibCompte").setFocus();
    host.messages.clear();
    EXPECT_EQ(z("Lst_RepartPer").listCount(), 1);
    z("Lst_RepartPer").setFocus();
    z("Lst_RepartPer").setListIndex(0);
    z("Lst_RepartPer").events().dblClick();
    ASSERT_EQ(z("Txt_Affect").text(), "      600,00");
    type(*c, "Txt_Affect", "\b\b\b\b\b\b");
    z("Cmd_AnnulerRepartition").setFocus();
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(z("Txt_Affect").text(), "");

    z("Txt_Affect").setFocus();
    z("Txt_Affect").paste("  350,5 ");
    z("Cmd_OkRepartition").setFocus();
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(z("Txt_Affect").text(), "350,50");

    // A figure copied from a spreadsheet parts its thousands with a no-break space.
    z("Txt_Affect").setFocus();
    z("Txt_Affect").select(0, 6);
    z("Txt_Affect").paste("1\u00A0000,5");
    z("Cmd_OkRepartition").setFocus();
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(z("Txt_Affect").text(), "1000,50");
}

// Part of the code is erased while the account is half typed: the code ends empty, as
// after any erasing, and no code that nobody typed is padded and looked up.
TEST_F(EntryZones, ErasingTheCodeLooksUpNothing) {
    type(*c, "Txt_Cpte", "60");
    type(*c, "Txt_CodAssoc", "\b");
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(z("Txt_CodAssoc").text(), "");
    EXPECT_EQ(z("Cbo_Assoc").text(), "");
}

TEST_F(EntryZones, AStoredTextWithAControlCharacterIsRefusedOnLeaving) {
    type(*c, "Txt_Cpte", "6022\n");
    z("Txt_LibCompte").setFocus();
    z("Txt_LibCompte").paste("AVANT\x1E" "APRES");
    z("Txt_ValBud").setFocus();
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.messages[1].find("caractère de contrôle"), std::string::npos);
    EXPECT_EQ(z("Txt_LibCompte").text(), "");

    type(*c, "Txt_ValBud", "100");
    z("Txt_Eclat").setFocus();
    z("Txt_Eclat").paste("1\t");
    z("Txt_LibCompte").setFocus();
    EXPECT_EQ(z("Txt_Eclat").text(), "");
    EXPECT_NE(host.messages.back().find("caractère de contrôle"), std::string::npos);
}

TEST_F(EntryZones, AControlCharacterInTheLabelSearchFindsNothingInFrench) {
    z("Cbo_Cpte").setFocus();
    z("Cbo_Cpte").paste("FOURNI\x1F");
    c->screen().pressKey(z("Cbo_Cpte"), kEnter);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Aucun compte budgétaire ne commence par ce libellé.");
}

// A class line blocks every account below it, down to the first digit of the number.
TEST_F(EntryZones, ALineOnAClassBlocksTheAccountsBelowIt) {
    data.put("BUDGET", "N00016000000000", {{"Achats"}, {"0"}, {"100"}, {"001"}});
    type(*c, "Txt_Cpte", "6226\n");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Un compte de regroupement a déjà été validé - création impossible.");
    EXPECT_FALSE(c->W_Creation);
}

}  // namespace ondrel
