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
    if (!showFiscalYear())
        return;
    if (Txt_Cpte.enabled())
        Txt_Cpte.setFocus();
}

// A year whose dates do not read (an empty or impossible date) or whose months cannot
// be walked (its end before its start, longer than the walk follows) would give lines
// without a period: the person is told, nothing of it is shown, and the account stays
// locked until a year that walks is chosen.
bool Crt_Ondrel::showFiscalYear() {
    const Record& year = *shared().fiscalYearRecord;
    const int first = Cbo_Exercice.listIndex() == 0 ? 1 : 3;
    try {
        Txt_DateDebutExercice.setText(DateToText(year.value(first, 1)));
        Txt_DateFinExercice.setText(DateToText(year.value(first + 1, 1)));
        RemplirCboPeriode();
    } catch (const DataError& e) {
        if (e.number() != kTypeMismatch)
            throw;
        W_ExerciceInvalide = true;
        for (Zone* z : accountZones())
            z->setEnabled(false);
        Txt_DateDebutExercice.setText("");
        Txt_DateFinExercice.setText("");
        Cbo_Periode.clear();
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
