#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "budget/line_note.h"
#include "control/crt_ondrel.h"

namespace ondrel {

namespace {
constexpr const char* kChangedElsewhere =
    "Cette ligne a été modifiée depuis son affichage par un autre poste ; elle va être réaffichée.";
constexpr const char* kDeletedElsewhere =
    "Cette ligne a été supprimée depuis son affichage par un autre poste : rien n'a été enregistré.";
}  // namespace

std::string Crt_Ondrel::lineKey() {
    return budgetKey(W_CodeExercice, Txt_CodAssoc.text(), Txt_Cpte.text());
}

std::array<Zone*, 6> Crt_Ondrel::entityAndYearZones() {
    return {&Txt_CodAssoc, &Cbo_Assoc, &Cbo_Exercice, &Txt_DateDebutExercice, &Txt_DateFinExercice, &Cdr_Exercice};
}

std::array<Zone*, 4> Crt_Ondrel::accountZones() {
    return {&Etq_CompteBudget, &Txt_Cpte, &Cac_Reg, &Cbo_Cpte};
}

void Crt_Ondrel::unlockEntityAndYear() {
    for (Zone* z : entityAndYearZones())
        z->setEnabled(true);
}

// The account zone back in the place of the label, for the next account.
void Crt_Ondrel::accountReset() {
    Cbo_Eclat.setListIndex(-1);
    Txt_LibCompte.setText("");
    Txt_LibCompte.setEnabled(false);
    Txt_LibCompte.setVisible(false);
    Cbo_Cpte.setEnabled(true);
    Cbo_Cpte.setText("");
    Cbo_Cpte.setVisible(true);
}

void Crt_Ondrel::offerExitOnly() {
    Cmd_AnnulerBudget.setEnabled(false);
    Cmd_SupprimerBudget.setEnabled(false);
    Cmd_OkBudget.setEnabled(false);
    Cmd_Sortir.setEnabled(true);
}

// The write did not land as the screen holds it: another desk changed, deleted or
// created this line since it was shown here, and nothing was written; or the server
// was lost at the commit, and nobody can tell whether it landed. The person is told,
// and sees the line as it now stands, or the empty account zone when it is gone.
void Crt_Ondrel::reshowStoredLine(const DataError& e) {
    const std::string account = Txt_Cpte.text();
    PassOver step;
    const Found line = step.readRecord(file(SuiteFile::Budget), lineKey(), [](Record) {});
    if (e.number() == kRecordChanged)
        screen_.showError(line == Found::No ? kDeletedElsewhere : kChangedElsewhere);
    else
        screen_.showError(e.what());
    Cmd_AnnulerBudget_Click();
    if (line != Found::No)
        Txt_Cpte.setText(account);
}

// A validated year takes no line, neither saved nor deleted nor begun, until a
// validator opens its revision.
bool Crt_Ondrel::refuseWhenLocked() {
    const auto lock = budgetLock(*shared().database, W_CodeExercice, Txt_CodAssoc.text());
    if (!lock)
        return false;
    screen_.showError(lockRefusal(*lock));
    return true;
}

// A failing write ends the command here, with the line still on screen. The database
// refuses a year validated meanwhile by another desk, and the line stays on screen too.
void Crt_Ondrel::Cmd_OkBudget_Click() {
    if (refuseWithoutRights() || refuseWhenLocked())
        return;
    VerifZone();
    if (!W_ZonesOk)
        return;
    try {
        EcrireDonnees();
    } catch (const DataError& e) {
        if (e.number() == kBudgetLocked)
            return screen_.showError(e.what());
        if (e.number() != kRecordChanged && e.number() != kOutcomeUnknown)
            throw;
        return reshowStoredLine(e);
    }
    W_Creation = false;
    unlockEntityAndYear();
    accountReset();
    Txt_Cpte.setText("");
    offerExitOnly();
    Txt_Cpte.setEnabled(true);
    Cac_Reg.setEnabled(true);
    Txt_Cpte.setFocus();
}

// A new line is stored only at Ok: abandoning it has nothing of its own to delete, and
// deleting its key would delete the line another desk saved under it meanwhile.
void Crt_Ondrel::Cmd_AnnulerBudget_Click() {
    W_Creation = false;
    unlockEntityAndYear();
    accountReset();
    Cac_Reg.setEnabled(true);
    Txt_Cpte.setEnabled(true);
    Txt_Cpte.setText("");
    offerExitOnly();
}

// The line's note goes with it, in the same transaction: a line made again later under
// its account starts without it.
void Crt_Ondrel::Cmd_SupprimerBudget_Click() {
    if (refuseWithoutRights() || refuseWhenLocked())
        return;
    if (!screen_.ask("Voulez-vous supprimer ce compte budgétaire ?"))
        return;
    try {
        Database& db = *shared().database;
        db.inOneTransaction([&] {
            file(SuiteFile::Budget).DeleteRecord(shared().budgetRecord.value());
            saveNote(db, lineKey(), "");
        });
    } catch (const DataError& e) {
        if (e.number() == kBudgetLocked)
            return screen_.showError(e.what());
        if (e.number() != kRecordChanged && e.number() != kOutcomeUnknown)
            throw;
        return reshowStoredLine(e);
    }
    accountReset();
    Txt_Cpte.setEnabled(true);
    Cac_Reg.setEnabled(true);
    Txt_Cpte.setText("");
    offerExitOnly();
}

}  // namespace ondrel
