#include "control/crt_ondrel.h"
#include "periods/period_line.h"

namespace ondrel {

// Ends a line edit: rewrites the changed line, or inserts the added one at its
// place in period order after refusing a period that already has a line.
void Crt_Ondrel::Cmd_OkRepartition_Click() {
    const std::string amount = Txt_Affect.text();
    const std::string period = Cbo_Periode.text();
    if (amount.empty()) {
        screen_.showError("Vous devez affecter un montant à cette période.");
        Txt_Affect.setFocus();
        return;
    }
    if (period.empty()) {
        screen_.showError("Vous devez affecter une période à ce montant.");
        Cbo_Periode.setFocus();
        return;
    }
    Lst_RepartPer.setEnabled(true);
    const std::string line = periodLine(period, amount);
    const std::int32_t k = Cbo_Periode.itemData(Cbo_Periode.listIndex());
    if (!Cbo_Periode.enabled()) {
        const int selected = Lst_RepartPer.listIndex();
        Lst_RepartPer.setList(selected, line);
        Lst_RepartPer.setItemData(selected, k);
    } else {
        bool inserted = false;
        for (int i = 0; !inserted && !Lst_RepartPer.list(i).empty(); ++i) {
            if (Lst_RepartPer.itemData(i) == k) {
                screen_.showError("Cette période est déjà budgetisée.");
                Lst_RepartPer.setEnabled(false);
                Cbo_Periode.setListIndex(-1);
                return;
            }
            if (Lst_RepartPer.itemData(i) > k) {
                Lst_RepartPer.addItem(line, i);
                Lst_RepartPer.setItemData(i, k);
                inserted = true;
            }
        }
        if (!inserted) {
            Lst_RepartPer.addItem(line);
            Lst_RepartPer.setItemData(Lst_RepartPer.newIndex(), k);
        }
    }
    setLineEditZones(LineEdit::Leave);
    W_AjoutPeriode = false;
}

void Crt_Ondrel::Cmd_AnnulerRepartition_Click() {
    if (W_AjoutPeriode && !screen_.ask("Etes-vous sûr de vouloir quitter cet ajout ?"))
        return;
    Lst_RepartPer.setEnabled(true);
    setLineEditZones(LineEdit::Leave);
    W_AjoutPeriode = false;
}

}  // namespace ondrel
