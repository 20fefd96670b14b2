#include "control/crt_ondrel.h"
#include "screen/key_codes.h"
#include "entity/code_padding.h"
#include "screen/utf8_text.h"

namespace ondrel {

void Crt_Ondrel::RequeteAssoc() {
    W_SelAssoc = select("SSELECT ASSOCIATION 0 PAR 0", "ASSOCIATION", "0 1");
}

void Crt_Ondrel::RemplirAssoc() {
    int n = W_SelAssoc->DCount();
    if (n == 1 && !W_SelAssoc->cell(1, 1).empty()) {
        Txt_CodAssoc.setText(W_SelAssoc->cell(1, 1));
        Cbo_Assoc.setText(W_SelAssoc->cell(1, 2));
        Cbo_Assoc.addItem(W_SelAssoc->cell(1, 2));
        return;
    }
    for (int i = 1; i <= n; ++i)
        Cbo_Assoc.addItem(W_SelAssoc->cell(i, 2));
}

// Every change of the code, typed or assigned. A failing statement is passed over.
void Crt_Ondrel::Txt_CodAssoc_Change() {
    struct Running {
        int& depth;
        explicit Running(int& d) : depth(++d) {}
        ~Running() { --depth; }
    } running(codeChanges_);
    PassOver step;
    step([&] { Griser(); });
    if (!isWholeCode(Txt_CodAssoc.text())) {
        step([&] { Cbo_Assoc.setText(""); });
        return;
    }
    const Found entity = step.readRecord(file(SuiteFile::Association), Txt_CodAssoc.text(),
                                         [&](Record r) { shared().entityRecord = std::move(r); });
    if (entity != Found::Yes) {
        const std::string why = entity == Found::No ? std::string("Ce code n'existe pas.") : step.failure();
        step([&] { Cbo_Assoc.setText(""); });
        step([&] { screen_.showError(why); });
        step([&] { Txt_CodAssoc.setText(""); });
        step([&] { Txt_CodAssoc.setFocus(); });
        return;
    }
    step([&] { RemplirEclat(); });
    if (!W_SelEclat || W_SelEclat->row(1).empty()) {
        step([&] { Cbo_Assoc.setText(""); });
        step([&] { Txt_CodAssoc.setText(""); });
        step([&] { Txt_CodAssoc.setFocus(); });
        return;
    }
    step([&] { Cbo_Assoc.setText(shared().entityRecord->value(1, 1)); });
    step([&] { Cdr_Exercice.setEnabled(true); });
    step([&] { Cbo_Exercice.setEnabled(true); });
    step([&] { Cbo_Exercice.setListIndex(0); });
    for (Zone* z : {&Etq_DebutExercice, &Etq_FinExercice, &Txt_DateDebutExercice, &Txt_DateFinExercice})
        step([&] { z->setEnabled(true); });
    if (!W_ExerciceInvalide)
        for (Zone* z : accountZones())
            step([&] { z->setEnabled(true); });
}

void Crt_Ondrel::Txt_CodAssoc_KeyPress(int& keyAscii) {
    if (keyAscii == kBackspace)
        return;
    if (keyAscii == kEnter)
        Txt_CodAssoc.setText(padCode(Txt_CodAssoc.text()));
    if (!isDigitKey(keyAscii))
        keyAscii = 0;
}

// Emptying the account inside the code's own change moves the focus to the account:
// that is not the person leaving the code, and a code being erased is not padded into
// one that nobody typed.
void Crt_Ondrel::Txt_CodAssoc_LostFocus() {
    if (refuseControlChars(Txt_CodAssoc) || codeChanges_ > 0)
        return;
    if (!Txt_CodAssoc.text().empty() && charCount(Txt_CodAssoc.text()) < kCodeLength)
        Txt_CodAssoc.setText(padCode(Txt_CodAssoc.text()));
}

void Crt_Ondrel::Cbo_Assoc_Change() {
    if (Cbo_Assoc.text().empty())
        Txt_CodAssoc.setText("");
}

void Crt_Ondrel::Cbo_Assoc_Click() {
    if (!Cbo_Assoc.text().empty())
        Txt_CodAssoc.setText(W_SelAssoc->cell(Cbo_Assoc.listIndex() + 1, 1));
}

// Typing in the list discards the chosen entity; the key still reaches the list.
void Crt_Ondrel::Cbo_Assoc_KeyPress(int&) {
    Txt_CodAssoc.setText("");
    Cbo_Assoc.setText("");
}

}  // namespace ondrel
