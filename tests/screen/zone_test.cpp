#include <gtest/gtest.h>

#include "data/data_error.h"
#include "screen/key_codes.h"
#include "screen/screen.h"

namespace ondrel {

class ScreenModel : public ::testing::Test {
protected:
    Screen screen;
    Zone& code = screen.zone("Txt_CodAssoc");
    Zone& name = screen.zone("Cbo_Assoc");
};

TEST_F(ScreenModel, ChangeRunsInsideTheAssignmentBeforeItReturns) {
    std::vector<std::string> seen;
    code.events().change = [&] {
        seen.push_back("code " + code.text());
        if (code.text() == "1")
            name.setText("nested");
        seen.push_back("code done");
    };
    name.events().change = [&] { seen.push_back("name " + name.text()); };
    code.setText("1");
    EXPECT_EQ(seen, (std::vector<std::string>{"code 1", "name nested", "code done"}));
    code.setText("1");
    EXPECT_EQ(seen.size(), 3u) << "an assignment of the same text changes nothing";
}

TEST_F(ScreenModel, ASwallowedKeyChangesNothing) {
    int changes = 0;
    code.events().change = [&] { ++changes; };
    code.events().keyPress = [](int& k) {
        if (k == 'x')
            k = 0;
        if (k == '.')
            k = ',';
    };
    screen.pressKey(code, 'x');
    EXPECT_EQ(code.text(), "");
    EXPECT_EQ(changes, 0);
    screen.pressKey(code, '.');
    EXPECT_EQ(code.text(), ",");
    screen.pressKey(code, 8);
    EXPECT_EQ(code.text(), "");
    EXPECT_EQ(changes, 2);
}

TEST_F(ScreenModel, TextLongerThanTheLimitCannotBeTyped) {
    for (char c : std::string("12345"))
        screen.pressKey(code, c);
    EXPECT_EQ(code.text(), "123");
    Zone& label = screen.zone("Txt_LibCompte");
    for (int i = 0; i < 45; ++i)
        screen.pressKey(label, 0xE9);   // é, one character of two bytes
    EXPECT_EQ(label.text().size(), 80u);
}

TEST_F(ScreenModel, APasteIsCutAtTheLimitAndRefusedWhereNothingMayEnter) {
    code.paste("12345");
    EXPECT_EQ(code.text(), "123");
    code.paste("\xC3(");   // a lead byte without its continuation
    EXPECT_EQ(code.text(), "123");
    Zone& end = screen.zone("Txt_DateFinExercice");
    end.setText("31/12/2027");
    end.paste("31/03/2027");
    screen.pressKey(end, kBackspace);
    screen.pressKey(end, '7');
    EXPECT_EQ(end.text(), "31/12/2027");
}

TEST_F(ScreenModel, AZoneInsideADisabledFrameTakesNoFocus) {
    Zone& period = screen.zone("Cbo_Periode");
    EXPECT_TRUE(period.enabled());
    EXPECT_FALSE(period.canTakeFocus());
    EXPECT_THROW(period.setFocus(), DataError);
    screen.zone("Cdr_Repartition").setEnabled(true);
    EXPECT_TRUE(period.canTakeFocus());
    EXPECT_FALSE(screen.zone("Etq_Assoc").canTakeFocus());
}

TEST_F(ScreenModel, LostFocusRunsOnTheZoneThatLosesIt) {
    std::string lost;
    code.events().lostFocus = [&] { lost = screen.focus()->name(); };
    code.setFocus();
    name.setFocus();
    EXPECT_EQ(lost, "Cbo_Assoc");
}

TEST_F(ScreenModel, TabSkipsWhatCannotTakeTheFocusAndWraps) {
    code.setFocus();
    screen.tab();
    EXPECT_EQ(screen.focus()->name(), "Cbo_Assoc");
    screen.tab();
    EXPECT_EQ(screen.focus()->name(), "Cmd_Sortir");
    screen.tab();
    EXPECT_EQ(screen.focus()->name(), "Txt_CodAssoc");
}

TEST_F(ScreenModel, ListSemantics) {
    Zone& list = screen.zone("Lst_RepartPer");
    EXPECT_EQ(list.listIndex(), -1);
    list.addItem("b");
    list.setItemData(list.newIndex(), 2);
    list.addItem("d");
    list.setItemData(list.newIndex(), 4);
    list.setListIndex(1);
    list.addItem("a", 0);
    EXPECT_EQ(list.newIndex(), 0);
    EXPECT_EQ(list.itemData(1), 2) << "item data moves with its item";
    EXPECT_EQ(list.listIndex(), 2) << "the selection moves with its item";
    EXPECT_EQ(list.list(3), "");
    list.removeItem(0);
    EXPECT_EQ(list.list(0), "b");
    EXPECT_EQ(list.itemData(1), 4);
    EXPECT_EQ(list.listIndex(), 1);
    EXPECT_THROW(list.addItem("x", 5), DataError);
    list.clear();
    EXPECT_EQ(list.listCount(), 0);
    EXPECT_EQ(list.listIndex(), -1);
}

TEST_F(ScreenModel, AComboRunsClickWhenItsSelectionMovesToAnItem) {
    Zone& year = screen.zone("Cbo_Exercice");
    int clicks = 0;
    year.events().click = [&] { ++clicks; };
    year.setListIndex(1);
    EXPECT_EQ(year.text(), "N+1");
    year.setListIndex(-1);
    EXPECT_EQ(year.text(), "");
    EXPECT_EQ(clicks, 1);
    year.pick(0);
    year.pick(0);
    EXPECT_EQ(clicks, 3) << "a pick by the person runs Click even on the same item";
}

TEST_F(ScreenModel, AnEditableComboTakesAnItemsTextWithoutChange) {
    int changes = 0;
    name.events().change = [&] { ++changes; };
    name.addItem("Un");
    name.setListIndex(0);
    EXPECT_EQ(name.text(), "Un");
    EXPECT_EQ(changes, 0);
    name.clear();
    EXPECT_EQ(name.text(), "Un") << "Clear empties the list, not the text";
}

TEST_F(ScreenModel, OneOptionOfAFrameIsOn) {
    Zone& automatic = screen.zone("Opt_Automatique");
    Zone& manual = screen.zone("Opt_Manuelle");
    int clicks = 0;
    automatic.events().click = [&] { ++clicks; };
    automatic.setValue(1);
    manual.setValue(1);
    EXPECT_EQ(automatic.value(), 0);
    automatic.click();
    automatic.click();
    EXPECT_EQ(manual.value(), 0);
    EXPECT_EQ(clicks, 3);
}

TEST(ScreenInventory, ZonesStandAsCreated) {
    Screen screen;
    EXPECT_EQ(screen.zone("Txt_Cpte").maxLength(), 10u);
    EXPECT_EQ(screen.zone("Txt_ValBud").maxLength(), 12u);
    EXPECT_EQ(screen.zone("Cbo_Periode").container()->name(), "Cdr_Repartition");
    EXPECT_EQ(screen.zone("Opt_Automatique").container()->container()->name(), "Cdr_Repartition");
    EXPECT_EQ(screen.zone("Cbo_Exercice").listCount(), 2);
    EXPECT_TRUE(screen.zone("Cmd_Sortir").enabled());
    EXPECT_FALSE(screen.zone("Txt_Cpte").enabled());
    EXPECT_EQ(screen.zone("Cdr_Eclatement").caption(), "Clé de répartition analytique");
}

}  // namespace ondrel
