#include "account/account_number.h"
#include "budget/stored_distribution.h"
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
    const StoredDistribution stored = storedDistribution(budget);
    for (const auto& [index, amount] : stored.periods) {
        Lst_RepartPer.addItem(periodLine(periodAt(Txt_DateDebutExercice.text(), index).label, formatAmount(amount)));
        Lst_RepartPer.setItemData(Lst_RepartPer.newIndex(), index);
        W_TotalReparti += amount;
    }
    W_ValeursIllisibles = stored.unreadable;

    Etq_ValeurBudget.setEnabled(true);
    Txt_ValBud.setEnabled(true);
    Txt_ValBud.setText(formatAmount(W_TotalReparti));

    for (Zone* z : {&Cdr_Eclatement, &Txt_Eclat, &Cbo_Eclat, &Etq_LibelleSectAnal, &Etq_Repartition})
        z->setEnabled(true);
    const std::string keyCode = budget.value(4, 1);
    if (keyCode.empty() || !showStoredKey(keyCode))
        RemplirEclat();

    for (Zone* z : entityAndYearZones())
        z->setEnabled(false);
    Cmd_SupprimerBudget.setEnabled(true);
    Cmd_OkBudget.setEnabled(true);
    Cmd_AnnulerBudget.setEnabled(true);
    Cmd_Sortir.setEnabled(false);
    if (!W_ValeursIllisibles.empty())
        screen_.showError(unreadableLine());
}

// The stored key, its label picked and its sections listed. A key that has no record
// (deleted since, or never made) leaves the key zone empty, for the person to choose
// another before saving, and says so.
bool Crt_Ondrel::showStoredKey(const std::string& keyCode) {
    PassOver step;
    const Found key = step.readRecord(file(SuiteFile::BudgetCles), Txt_CodAssoc.text() + keyCode,
                                      [&](Record r) { shared().keyRecord = std::move(r); });
    if (key != Found::Yes) {
        screen_.showError(key == Found::No ? "La clé de répartition « " + keyCode + " » de cette ligne n'existe pas pour "
                                                 "l'entité " + Txt_CodAssoc.text() + " : choisissez-en une autre."
                                           : step.failure());
        return false;
    }
    Txt_Eclat.setText(keyCode);
    selectKeyItem();
    RempListEclat();
    return true;
}

std::string Crt_Ondrel::unreadableLine() const {
    return "Cette ligne porte une répartition que l'écran ne peut pas afficher (" + W_ValeursIllisibles +
           ") : elle peut être supprimée ou abandonnée, mais pas enregistrée par-dessus.";
}

}  // namespace ondrel
