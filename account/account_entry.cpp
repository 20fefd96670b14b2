#include "account/account_number.h"
#include "budget/budget_key.h"
#include "control/crt_ondrel.h"
#include "screen/key_codes.h"
#include "screen/utf8_text.h"

namespace ondrel {

void Crt_Ondrel::completeAccount() {
    Txt_Cpte.setText(completeWithZeros(Txt_Cpte.text()));
}

void Crt_Ondrel::Txt_Cpte_KeyPress(int& keyAscii) {
    if (keyAscii == kBackspace)
        return;
    const std::string& text = Txt_Cpte.text();
    if (keyAscii == kEnter) {
        if (!text.empty() && charCount(text) > 3)
            completeAccount();
        else if (Cac_Reg.value() != 0 && !text.empty() && charCount(text) < 4)
            completeAccount();
        keyAscii = 0;
        return;
    }
    if (!isDigitKey(keyAscii))
        keyAscii = 0;
}

void Crt_Ondrel::Txt_Cpte_LostFocus() {
    if (refuseControlChars(Txt_Cpte))
        return;
    const std::string& text = Txt_Cpte.text();
    if (!text.empty() && Cac_Reg.value() != 0 && charCount(text) < 4)
        completeAccount();
}

void Crt_Ondrel::Txt_LibCompte_LostFocus() {
    refuseControlChars(Txt_LibCompte);
}

// The lookup at every change of the account. Every failure is passed over and the
// run goes on; only the absent key right after a read is told apart.
void Crt_Ondrel::Txt_Cpte_Change() {
    PassOver step;
    W_ValeursIllisibles.clear();
    const std::string text = Txt_Cpte.text();
    if (text.empty() || (text[0] != '6' && text[0] != '7') || !allDigits(text))
        refuseAccount(step);
    else if (charCount(text) != kAccountLength)
        listBudgetLines();
    else
        lookUpCompleteNumber(step);
    closingStep(step);
}

// A partial number: the entity and year can change again, and the budget lines
// beginning with it are listed, or else the chart accounts.
void Crt_Ondrel::listBudgetLines() {
    PassOver step;
    for (Zone* z : entityAndYearZones())
        step([&] { z->setEnabled(true); });
    step([&] { W_CodeExercice = yearCodeFor(Cbo_Exercice.text()); });
    step([&] { shared().budgetRecord.reset(); });
    step([&] { Cbo_Cpte.clear(); });
    step([&] {
        W_Selection = select(sentenceWithPrefix("SSELECT BUDGET AVEC 0 = ",
                                                W_CodeExercice + Txt_CodAssoc.text() + Txt_Cpte.text(), " 0 1 PAR 1"),
                             "BUDGET", "0 1");
    });
    if (W_Selection && !W_Selection->cell(1, 1).empty()) {
        for (int r = 1; r <= W_Selection->DCount(); ++r)
            step([&] { Cbo_Cpte.addItem(W_Selection->cell(r, 2)); });
    } else {
        step([&] { AffichePlanComptable(); });
        step([&] { Txt_Cpte.setEnabled(true); });
        step([&] { Cac_Reg.setEnabled(true); });
    }
}

void Crt_Ondrel::lookUpCompleteNumber(PassOver& step) {
    const std::string number = Txt_Cpte.text();
    Found inChart = Found::No;
    if (!hasGroupingZeros(number))
        inChart = step.readRecord(file(SuiteFile::PlanComptable), chartKey(Txt_CodAssoc.text(), number),
                                  [&](Record r) { shared().chartRecord = std::move(r); });
    step([&] { W_CodeExercice = yearCodeFor(Cbo_Exercice.text()); });
    step([&] { shared().budgetRecord.reset(); });
    step([&] { W_Requete.emplace(); });
    const Found stored =
        inChart == Found::Unknown
            ? Found::Unknown
            : step.readRecord(file(SuiteFile::Budget), budgetKey(W_CodeExercice, Txt_CodAssoc.text(), number),
                              [&](Record r) { shared().budgetRecord = std::move(r); });
    if (stored == Found::Yes)
        return step([&] { AfficheBudget(); });
    if (stored == Found::Unknown)
        return unreadableAccount(step);
    creationRules(step, inChart == Found::Yes);
}

// A read that failed for another reason than an absent key tells nothing of the line:
// neither that it exists nor that it may be created. The person is told why, and the
// account is emptied, to be typed again once the database answers.
void Crt_Ondrel::unreadableAccount(PassOver& step) {
    const std::string why = step.failure();
    step([&] { shared().budgetRecord.reset(); });
    step([&] { screen_.showError(why); });
    step([&] { Txt_Cpte.setText(""); });
}

// No key puts anything but a digit in the zone; a paste can, and is refused whole.
void Crt_Ondrel::refuseAccount(PassOver& step) {
    const std::string& text = Txt_Cpte.text();
    if (!text.empty() && !allDigits(text))
        step([&] { screen_.showError("Un numéro de compte ne s'écrit qu'avec des chiffres."); });
    else if (!text.empty())
        step([&] { screen_.showError("Seuls les comptes de classe 6 et 7 peuvent être budgetisés."); });
    step([&] { Txt_Cpte.setText(""); });
    step([&] { GriserRepart(); });
    step([&] { Txt_Cpte.setFocus(); });
}

void Crt_Ondrel::closingStep(PassOver& step) {
    if (W_Creation) {
        step([&] { newLineSetUp(); });
    } else if (charCount(Txt_Cpte.text()) == kAccountLength) {
        step([&] { Txt_Cpte.setEnabled(false); });
        step([&] { Cac_Reg.setEnabled(false); });
    }
}

}  // namespace ondrel
