#include <thread>

#include <gtest/gtest.h>

#include "tests/control/control_fixture.h"

namespace ondrel {

using test::ControlTest;

namespace {
const char* const kChanged = "Cette ligne a été modifiée depuis son affichage par un autre poste ; elle va être réaffichée.";
const char* const kDeleted = "Cette ligne a été supprimée depuis son affichage par un autre poste : rien n'a été enregistré.";
const char* const kKey = "N00016022000000";
}  // namespace

// Two people on one line, each at a desk of their own with a connection of its own.
class TwoDesks : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        first = start();
        // The controls of one thread share their records, as the controls of one
        // program do: the second desk is made on a thread of its own, so that it
        // shares nothing with the first, as another program would.
        std::thread([&] { second = start(2, Database::open(data.path())); }).join();
    }
    static Zone& z(Crt_Ondrel& c, const char* name) { return c.screen().zone(name); }
    static void press(Crt_Ondrel& c, const char* button) {
        z(c, button).setFocus();
        z(c, button).click();
    }
    static void showLine(Crt_Ondrel& c) {
        type(c, "Txt_CodAssoc", "1\n");
        type(c, "Txt_Cpte", "6022\n");
    }
    static void relabel(Crt_Ondrel& c, const std::string& label) {
        z(c, "Txt_LibCompte").setFocus();
        z(c, "Txt_LibCompte").setText(label);
    }
    static void rekey(Crt_Ondrel& c, const std::string& code) {
        z(c, "Txt_Eclat").setFocus();
        z(c, "Txt_Eclat").setText(code);
    }
    // A new line of 600,00 on the first key, ready for Ok.
    static void fillNewLine(Crt_Ondrel& c, const std::string& label) {
        showLine(c);
        ASSERT_TRUE(c.W_Creation);
        type(c, "Txt_ValBud", "600");
        relabel(c, label);
        z(c, "Txt_Eclat").setText("001");
    }
    // The line on both screens, and saved by the first with another key.
    void firstChangesTheShownLine() {
        storeLine();
        showLine(*first);
        showLine(*second);
        rekey(*first, "002");
        press(*first, "Cmd_OkBudget");
    }
    std::optional<Record> stored() { return data.db->read("BUDGET", kKey); }
    void storeLine() { data.put("BUDGET", kKey, {{"Achats"}, {"0"}, {"5000"}, {"001"}}); }

    std::unique_ptr<Crt_Ondrel> first, second;
};

TEST_F(TwoDesks, TheSecondOkIsRefusedAndTheLineShownAsTheFirstSavedIt) {
    firstChangesTheShownLine();
    rekey(*second, "003");
    host.messages.clear();
    press(*second, "Cmd_OkBudget");
    EXPECT_EQ(host.messages, std::vector<std::string>{kChanged});
    EXPECT_EQ(stored()->value(4, 1), "002");
    EXPECT_EQ(z(*second, "Txt_Cpte").text(), "6022000000");
    EXPECT_EQ(z(*second, "Txt_Eclat").text(), "002");
    // Shown again, the line saves over what it now shows.
    rekey(*second, "003");
    press(*second, "Cmd_OkBudget");
    EXPECT_EQ(stored()->value(4, 1), "003");
}

TEST_F(TwoDesks, ALineChangedMeanwhileIsNotDeleted) {
    firstChangesTheShownLine();
    host.messages.clear();
    host.answers.push_back(true);
    press(*second, "Cmd_SupprimerBudget");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1], kChanged);
    ASSERT_TRUE(stored());
    EXPECT_EQ(stored()->value(4, 1), "002");
    EXPECT_EQ(z(*second, "Txt_Eclat").text(), "002");
}

TEST_F(TwoDesks, ALineDeletedMeanwhileDoesNotComeBack) {
    storeLine();
    showLine(*first);
    showLine(*second);
    host.answers.push_back(true);
    press(*first, "Cmd_SupprimerBudget");
    ASSERT_FALSE(stored());
    host.messages.clear();
    press(*second, "Cmd_OkBudget");
    EXPECT_EQ(host.messages, std::vector<std::string>{kDeleted});
    EXPECT_FALSE(stored());
    EXPECT_EQ(z(*second, "Txt_Cpte").text(), "");
    EXPECT_FALSE(second->W_Creation);
}

TEST_F(TwoDesks, OfTwoCreationsOfOneLineOnlyTheFirstIsSaved) {
    fillNewLine(*first, "Achats du siège");
    fillNewLine(*second, "Achats des agences");
    press(*first, "Cmd_OkBudget");
    ASSERT_TRUE(stored());
    host.messages.clear();
    press(*second, "Cmd_OkBudget");
    EXPECT_EQ(host.messages, std::vector<std::string>{kChanged});
    EXPECT_EQ(stored()->value(1, 1), "Achats du siège");
    EXPECT_EQ(z(*second, "Txt_LibCompte").text(), "Achats du siège");
    EXPECT_FALSE(second->W_Creation);
}

}  // namespace ondrel
