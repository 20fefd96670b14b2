#include "control/crt_ondrel.h"

namespace ondrel {

// Empties and locks everything below the entity, in one fixed pass. Emptying
// Txt_Cpte and Txt_Eclat runs their change handlers, which find them empty.
void Crt_Ondrel::Griser() {
    Cbo_Exercice.setListIndex(-1);
    Cbo_Exercice.setEnabled(false);
    Txt_DateDebutExercice.setText("");
    Txt_DateDebutExercice.setEnabled(false);
    Txt_DateFinExercice.setText("");
    Txt_DateFinExercice.setEnabled(false);
    Etq_DebutExercice.setEnabled(false);
    Etq_FinExercice.setEnabled(false);
    Cdr_Exercice.setEnabled(false);
    Etq_CompteBudget.setEnabled(false);
    Txt_Cpte.setText("");
    Txt_Cpte.setEnabled(false);
    Cac_Reg.setEnabled(false);
    Txt_LibCompte.setText("");
    Txt_LibCompte.setEnabled(false);
    Cbo_Cpte.clear();
    Cbo_Cpte.setEnabled(false);
    Etq_ValeurBudget.setEnabled(false);
    Txt_ValBud.setText("");
    Txt_ValBud.setEnabled(false);
    Opt_Manuelle.setEnabled(false);
    Opt_Automatique.setEnabled(false);
    Cdr_AutoManuel.setEnabled(false);
    Etq_Periode.setEnabled(false);
    Etq_Repartition.setEnabled(false);
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
    Lst_Sect.clear();
    Lst_Sect.setEnabled(false);
    Cdr_Eclatement.setEnabled(false);
}

}  // namespace ondrel
