#include "control/crt_ondrel.h"
#include "entity/code_padding.h"
#include "platform/date_conversion.h"

namespace ondrel {

void Crt_Ondrel::Cbo_Exercice_Click() {
    fiscalYearBody();
}

void Crt_Ondrel::Cbo_Exercice_KeyPress(int&) {
    fiscalYearBody();
}

// The record is read again at every choice, so a change made by another program shows.
void Crt_Ondrel::fiscalYearBody() {
    if (!isWholeCode(Txt_CodAssoc.text()))
        return;
    shared().fiscalYearRecord = file(SuiteFile::ParamEntiteCompta).ReadRecord(Txt_CodAssoc.text());
    const Record& year = *shared().fiscalYearRecord;
    if (Cbo_Exercice.listIndex() == 0) {
        Txt_DateDebutExercice.setText(DateToText(year.value(1, 1)));
        Txt_DateFinExercice.setText(DateToText(year.value(2, 1)));
    } else {
        Txt_DateDebutExercice.setText(DateToText(year.value(3, 1)));
        Txt_DateFinExercice.setText(DateToText(year.value(4, 1)));
    }
    RemplirCboPeriode();
    if (Txt_Cpte.enabled())
        Txt_Cpte.setFocus();
}

}  // namespace ondrel
