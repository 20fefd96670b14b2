// A validated year at the screen: its lines are shown, none is saved, deleted or
// begun, and the person is told which version locks it, who validated it and when.
#include <gtest/gtest.h>

#include "tests/control/control_fixture.h"
#include "budget/budget_lock.h"
#include "versions/validation.h"

namespace ondrel {

using test::ControlTest;

class ValidatedYear : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        screen = start();
        type(*screen, "Txt_CodAssoc", "1\n");
    }
    void validate() {
        validateVersion(*data.db, *fixedRights(kFullRights), "001", "N", "Budget primitif 2027");
        refusal = lockRefusal(*budgetLock(*data.db, "N0", "001"));
    }
    void press(const char* button) {
        screen->screen().zone(button).setFocus();
        screen->screen().zone(button).click();
    }
    void rekey(const std::string& code) {
        screen->screen().zone("Txt_Eclat").setFocus();
        screen->screen().zone("Txt_Eclat").setText(code);
    }
    // The key of the stored line.
    std::string stored(const char* key) {
        const auto r = data.db->read("BUDGET", key);
        return r ? r->value(4, 1) : "(none)";
    }

    std::unique_ptr<Crt_Ondrel> screen;
    std::string refusal;
};

TEST_F(ValidatedYear, OkAndSupprimerAreRefusedWithTheVersionNamed) {
    type(*screen, "Txt_Cpte", "6064\n");
    validate();
    EXPECT_NE(refusal.find("« Budget primitif 2027 »"), std::string::npos);
    EXPECT_NE(refusal.find(" par " + data.db->user()), std::string::npos);
    rekey("002");
    host.messages.clear();
    press("Cmd_OkBudget");
    press("Cmd_SupprimerBudget");
    EXPECT_EQ(host.messages, (std::vector<std::string>{refusal, refusal}));
    EXPECT_EQ(stored("N00016064000000"), "001");
    EXPECT_EQ(screen->screen().zone("Txt_Eclat").text(), "002") << "what was typed stays on screen";
}

TEST_F(ValidatedYear, ANewLineIsNotBegun) {
    validate();
    host.messages.clear();
    type(*screen, "Txt_Cpte", "6251\n");
    EXPECT_EQ(host.messages, std::vector<std::string>{refusal});
    EXPECT_FALSE(screen->W_Creation);
    EXPECT_EQ(screen->screen().zone("Txt_Cpte").text(), "");
}

// Validated by another desk while the line is on screen: the store refuses the save,
// and the screen says why.
TEST_F(ValidatedYear, ALockTakenMeanwhileRefusesTheSave) {
    type(*screen, "Txt_Cpte", "6064\n");
    rekey("002");
    validate();
    host.messages.clear();
    press("Cmd_OkBudget");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], refusal);
    EXPECT_EQ(stored("N00016064000000"), "001");
}

}  // namespace ondrel
