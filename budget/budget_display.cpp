#include "account/account_number.h"
#include "control/crt_ondrel.h"
#include "periods/calendar_walk.h"
#include "periods/period_line.h"

namespace ondrel {

// Puts the stored line on screen, locks what identifies it and opens what can change.
void Crt_Ondrel::AfficheBudget() {
    // A copy: the assignments below run handlers that may replace the current record.
    const Record budget = *shared().budgetRecord;

    Cbo_Cpte.clear();
    Cbo_Cpte.setVisible(false);
    Cbo_Cpte.setEnabled(false);
    Txt_LibCompte.setVisible(true);
    Txt_LibCompte.setEnabled(true);
    Txt_Cpte.setText(completeWithZeros(Txt_Cpte.text()));
    Txt_LibCompte.setText(budget.value(1, 1));
    for (Zone* z : {&Cac_Reg, &Txt_Cpte, &Txt_LibCompte})
        z->setEnabled(false);

    W_TotalReparti = Currency::zero();
    for (Zone* z : {&Cdr_Repartition, &Cdr_AutoManuel, &Opt_Manuelle, &Opt_Automatique})
        z->setEnabled(true);
    Opt_Manuelle.setValue(1);
    Etq_Periode.setEnabled(true);
    Etq_Affectation.setEnabled(true);
    Lst_RepartPer.clear();
    Lst_RepartPer.setEnabled(true);
    Cbo_Periode.setEnabled(false);
    Txt_Affect.setText("");
    Txt_Affect.setEnabled(false);
    Cmd_SupprimerRepartition.setEnabled(false);
    Cmd_OkRepartition.setEnabled(false);
    Cmd_AjouterRepartition.setEnabled(true);

    // Each label from the start month and the line's own index, whatever the lines before it.
    if (!budget.field(3).empty()) {
        for (int v = 1;; ++v) {
            const int index = std::stoi(budget.value(2, v));
            const Currency amount = fromStoredHundredths(budget.value(3, v));
            Lst_RepartPer.addItem(periodLine(periodAt(Txt_DateDebutExercice.text(), index).label, formatAmount(amount)));
            Lst_RepartPer.setItemData(Lst_RepartPer.newIndex(), index);
            W_TotalReparti += amount;
            if (budget.value(3, v + 1).empty())
                break;
        }
    }

    Etq_ValeurBudget.setEnabled(true);
    Txt_ValBud.setEnabled(true);
    Txt_ValBud.setText(formatAmount(W_TotalReparti));

    for (Zone* z : {&Cdr_Eclatement, &Txt_Eclat, &Cbo_Eclat, &Etq_LibelleSectAnal, &Etq_Repartition})
        z->setEnabled(true);
    const std::string keyCode = budget.value(4, 1);
    if (!keyCode.empty()) {
        shared().keyRecord = file(SuiteFile::BudgetCles).ReadRecord(Txt_CodAssoc.text() + keyCode);
        Txt_Eclat.setText(keyCode);
        selectKeyItem();
        RempListEclat();
    } else {
        RemplirEclat();
    }

    for (Zone* z : entityAndYearZones())
        z->setEnabled(false);
    Cmd_SupprimerBudget.setEnabled(true);
    Cmd_OkBudget.setEnabled(true);
    Cmd_AnnulerBudget.setEnabled(true);
    Cmd_Sortir.setEnabled(false);
}

}  // namespace ondrel
