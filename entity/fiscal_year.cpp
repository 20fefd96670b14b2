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
    if (!listPeriods())
        return;
    if (Txt_Cpte.enabled())
        Txt_Cpte.setFocus();
}

// A year whose months cannot be walked (its end before its start, longer than the walk
// follows, a date that does not read) would give lines without a period: the person is
// told, and the account stays locked until a year that walks is chosen.
bool Crt_Ondrel::listPeriods() {
    try {
        RemplirCboPeriode();
    } catch (const DataError& e) {
        if (e.number() != kTypeMismatch)
            throw;
        W_ExerciceInvalide = true;
        for (Zone* z : accountZones())
            z->setEnabled(false);
        screen_.showError(e.what());
        return false;
    }
    if (W_ExerciceInvalide) {
        W_ExerciceInvalide = false;
        for (Zone* z : accountZones())
            z->setEnabled(true);
    }
    return true;
}

}  // namespace ondrel
