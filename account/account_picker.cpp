#include "account/account_number.h"
#include "control/crt_ondrel.h"
#include "screen/key_codes.h"
#include "data/select_sentence.h"
#include "data/text_fold.h"
#include "screen/utf8_text.h"

namespace ondrel {

// The chart accounts of the entity beginning with the significant prefix of the number.
void Crt_Ondrel::AffichePlanComptable() {
    W_Selection.reset();
    shared().budgetRecord.reset();
    const std::string prefix = significantPrefix(Txt_Cpte.text());
    W_Selection = select(sentenceWithPrefix("SSELECT PLANCOMPTABLE AVEC 0 = ", Txt_CodAssoc.text() + prefix, " 0 1 PAR 1"),
                         "PLANCOMPTABLE", "0 1");
    Txt_LibCompte.setText("");
    Txt_LibCompte.setEnabled(false);
    Txt_LibCompte.setVisible(false);
    Cbo_Cpte.setVisible(true);
    Cbo_Cpte.setEnabled(true);
    Txt_Cpte.setEnabled(true);
    Cac_Reg.setEnabled(true);
    if (!W_Selection->cell(1, 1).empty()) {
        Cbo_Cpte.clear();
        for (int r = 1; r <= W_Selection->DCount(); ++r)
            Cbo_Cpte.addItem(leftChars(W_Selection->cell(r, 2), kLabelLength));
    } else {
        GriserRepart();
        Txt_Cpte.setFocus();
    }
}

// A budget key begins with its year code "N"; any other key is a chart key.
void Crt_Ondrel::Cbo_Cpte_Click() {
    Txt_Cpte.setText(accountOfKey(W_Selection->cell(Cbo_Cpte.listIndex() + 1, 1)));
}

// Enter searches the budget lines whose label begins with the typed text, in every
// entity and year.
void Crt_Ondrel::Cbo_Cpte_KeyPress(int& keyAscii) {
    if (keyAscii != kEnter || Cbo_Cpte.text().empty())
        return;
    shared().budgetRecord.reset();
    const std::string text = upperCase(Cbo_Cpte.text());
    // A text that holds all three quote characters cannot be quoted, and one that holds
    // a control character is no label: both find nothing.
    bool quotable = quoteValue(text + "]").has_value() && !holdsControlChar(text);
    if (quotable)
        W_Selection = select(sentenceWithPrefix("SSELECT BUDGET AVEC 1 = ", text, " 0 1 PAR 1"), "BUDGET", "0 1");
    else
        W_Selection = ResultTable();
    int n = W_Selection->DCount();
    if (n > 1) {
        Cbo_Cpte.clear();
        for (int r = 1; r <= n; ++r)
            Cbo_Cpte.addItem(W_Selection->cell(r, 2));
    } else if (!W_Selection->cell(1, 1).empty()) {
        Txt_Cpte.setText(accountOfKey(W_Selection->cell(1, 1)));
    } else {
        screen_.showError("Aucun compte budgétaire ne commence par ce libellé.");
        Cbo_Cpte.setText("");
        Cbo_Cpte.clear();
        Txt_Cpte.setText("");
        GriserRepart();
        Txt_Cpte.setFocus();
    }
}

}  // namespace ondrel
