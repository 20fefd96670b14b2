#include "breakdown/section_line.h"
#include "breakdown/section_lookup.h"
#include "control/crt_ondrel.h"
#include "screen/key_codes.h"
#include "entity/code_padding.h"
#include "screen/utf8_text.h"

namespace ondrel {

void Crt_Ondrel::RequeteEclat() {
    W_SelEclat = select(sentenceWithPrefix("SSELECT BUDGETCLES AVEC 0 = ", Txt_CodAssoc.text(), " 0 1 2 3 PAR 1"),
                        "BUDGETCLES", "0 1 2 3");
}

void Crt_Ondrel::RemplirEclat() {
    RequeteEclat();
    if (W_SelEclat->row(1).empty()) {
        screen_.showError("Vous devez renseigner les clés de répartition pour cette entité.\nSaisie des budgets impossible.");
        return;
    }
    int n = W_SelEclat->DCount();
    Cbo_Eclat.clear();
    if (n != 1) {
        for (int i = 1; i <= n; ++i)
            Cbo_Eclat.addItem(W_SelEclat->cell(i, 2));
        return;
    }
    shared().keyRecord = file(SuiteFile::BudgetCles).ReadRecord(W_SelEclat->cell(1, 1));
    Txt_Eclat.setText(W_SelEclat->cell(1, 1).substr(3, 3));
    Cbo_Eclat.addItem(W_SelEclat->cell(1, 2));
    selectKeyItem();
    RempListEclat();
}

// Selects the item of Cbo_Eclat that stands for the current key record. Item i shows
// row i + 1 of W_SelEclat, and it is found by that row's key, not by its label: two
// keys of an entity may share a label, and the pick must not turn one into the other.
void Crt_Ondrel::selectKeyItem() {
    const std::string& key = shared().keyRecord->key();
    for (int i = 0; W_SelEclat && i < Cbo_Eclat.listCount(); ++i)
        if (W_SelEclat->cell(i + 1, 1) == key) {
            Cbo_Eclat.setListIndex(i);
            return;
        }
}

// A share that is empty or not a number ends the filling at that line.
void Crt_Ondrel::RempListEclat() {
    Lst_Sect.setEnabled(true);
    Lst_Sect.clear();
    const Record& key = *shared().keyRecord;
    for (int i = 1; !key.value(2, i).empty(); ++i)
        Lst_Sect.addItem(sectionLine(sectionLabel(*shared().sectionTable, key.value(2, i)), key.value(3, i),
                                     key.value(4, i)));
    Lst_Sect.setEnabled(false);
}

void Crt_Ondrel::Cbo_Eclat_Click() {
    Txt_Eclat.setText(W_SelEclat->cell(Cbo_Eclat.listIndex() + 1, 1).substr(3, 3));
}

void Crt_Ondrel::Cbo_Eclat_KeyPress(int& keyAscii) {
    if (keyAscii != kBackspace)
        return;
    Txt_Eclat.setText("");
    Cbo_Eclat.setListIndex(-1);
}

// Every change of the key code. A failing statement is passed over.
void Crt_Ondrel::Txt_Eclat_Change() {
    PassOver step;
    if (!isWholeCode(Txt_Eclat.text())) {
        step([&] { Lst_Sect.setEnabled(true); });
        step([&] { Lst_Sect.clear(); });
        step([&] { Lst_Sect.setEnabled(false); });
        return;
    }
    const Found key = step.readRecord(file(SuiteFile::BudgetCles), Txt_CodAssoc.text() + Txt_Eclat.text(),
                                      [&](Record r) { shared().keyRecord = std::move(r); });
    if (key != Found::Yes) {
        const std::string why = step.failure();
        if (key == Found::Unknown)
            step([&] { screen_.showError(why); });
        step([&] { Txt_Eclat.setText(""); });
        step([&] { Cbo_Eclat.setListIndex(-1); });
        return;
    }
    step([&] { RempListEclat(); });
    step([&] { selectKeyItem(); });
}

void Crt_Ondrel::Txt_Eclat_KeyPress(int& keyAscii) {
    if (keyAscii == kBackspace) {
        Txt_Eclat.setText("");
        Cbo_Eclat.setListIndex(-1);
        return;
    }
    if (keyAscii == kEnter)
        Txt_Eclat.setText(padCode(Txt_Eclat.text()));
    if (!isDigitKey(keyAscii))
        keyAscii = 0;
}

void Crt_Ondrel::Txt_Eclat_LostFocus() {
    if (refuseControlChars(Txt_Eclat))
        return;
    if (!Txt_Eclat.text().empty())
        Txt_Eclat.setText(padCode(Txt_Eclat.text()));
}

}  // namespace ondrel
