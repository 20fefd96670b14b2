#include "account/account_number.h"
#include "control/crt_ondrel.h"
#include "periods/period_line.h"

namespace ondrel {

// The zones of a line edit of the distribution: an addition, a change, or the
// step that leaves either and returns to browsing.
void Crt_Ondrel::setLineEditZones(LineEdit state) {
    const bool editing = state != LineEdit::Leave;
    const bool browsing = !editing;
    Cbo_Periode.setEnabled(state == LineEdit::Addition || state == LineEdit::Change);
    if (state != LineEdit::Change)
        Cbo_Periode.setListIndex(-1);
    Txt_Affect.setEnabled(editing);
    if (state != LineEdit::Change)
        Txt_Affect.setText("");
    Lst_RepartPer.setEnabled(browsing);
    Cmd_AjouterRepartition.setEnabled(browsing);
    Cmd_SupprimerRepartition.setEnabled(state == LineEdit::Change);
    Cmd_OkRepartition.setEnabled(editing);
    Cmd_AnnulerRepartition.setEnabled(editing);
    for (Zone* z : {&Cdr_AutoManuel, &Opt_Manuelle, &Opt_Automatique, &Txt_ValBud, &Etq_ValeurBudget, &Txt_Eclat,
                    &Cbo_Eclat, &Cmd_OkBudget, &Cmd_AnnulerBudget})
        z->setEnabled(browsing);
    // A grouping line keeps its class label.
    if (editing || !hasGroupingZeros(Txt_Cpte.text()))
        Txt_LibCompte.setEnabled(browsing);
    if (editing || !W_Creation)
        Cmd_SupprimerBudget.setEnabled(browsing);
}

void Crt_Ondrel::Cmd_AjouterRepartition_Click() {
    setLineEditZones(LineEdit::Addition);
    W_AjoutPeriode = true;
    Txt_Affect.setText("");
    Cbo_Periode.setListIndex(-1);
}

// A double click where no line is selected starts nothing.
void Crt_Ondrel::Lst_RepartPer_DblClick() {
    const int line = Lst_RepartPer.listIndex();
    if (line < 0)
        return;
    setLineEditZones(LineEdit::Change);
    Cbo_Periode.setListIndex(Lst_RepartPer.itemData(line));
    Txt_Affect.setText(periodLineAmount(Lst_RepartPer.list(line)));
    Cbo_Periode.setEnabled(false);
}

void Crt_Ondrel::Cmd_SupprimerRepartition_Click() {
    if (!screen_.ask("Etes-vous sûr de vouloir supprimer cette période ?"))
        return;
    Lst_RepartPer.setEnabled(true);
    Lst_RepartPer.removeItem(Lst_RepartPer.listIndex());
    setLineEditZones(LineEdit::Leave);
}

}  // namespace ondrel
