#include "control/crt_ondrel.h"
#include "periods/period_line.h"

namespace ondrel {

// The sum of the period lines; the callers call it only when the list has a first line.
void Crt_Ondrel::VerifRepart() {
    W_SommeRepart = Currency::zero();
    int i = 0;
    do {
        auto amount = parseAmount(periodLineAmount(Lst_RepartPer.list(i)));
        if (!amount)
            throw DataError(kBadValue, "La ligne de période " + std::to_string(i + 1) + " ne porte pas de montant.");
        W_SommeRepart += *amount;
        ++i;
    } while (!Lst_RepartPer.list(i).empty());
}

// Empties and locks the amount, the distribution and the analytic key zones.
void Crt_Ondrel::GriserRepart() {
    Txt_ValBud.setText("");
    Txt_ValBud.setEnabled(false);
    Etq_ValeurBudget.setEnabled(false);
    Opt_Manuelle.setEnabled(false);
    Opt_Automatique.setEnabled(false);
    Cdr_AutoManuel.setEnabled(false);
    Etq_Periode.setEnabled(false);
    Etq_Repartition.setEnabled(false);
    Etq_Affectation.setEnabled(false);
    Lst_RepartPer.clear();
    Lst_RepartPer.setEnabled(false);
    Cbo_Periode.setEnabled(false);
    Txt_Affect.setText("");
    Txt_Affect.setEnabled(false);
    Cmd_AjouterRepartition.setEnabled(false);
    Cmd_SupprimerRepartition.setEnabled(false);
    Cmd_OkRepartition.setEnabled(false);
    Cdr_Repartition.setEnabled(false);
    Txt_Eclat.setText("");
    Txt_Eclat.setEnabled(false);
    Cbo_Eclat.setListIndex(-1);
    Cbo_Eclat.setEnabled(false);
    Etq_LibelleSectAnal.setEnabled(false);
    Lst_Sect.clear();
    Lst_Sect.setEnabled(false);
    Cdr_Eclatement.setEnabled(false);
}

}  // namespace ondrel
