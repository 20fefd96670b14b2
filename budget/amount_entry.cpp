#include "budget/amount_text.h"
#include "control/crt_ondrel.h"
#include "screen/key_codes.h"
#include "periods/period_line.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {
constexpr std::size_t kAmountLength = 12;
constexpr int kComma = ',';
constexpr int kFullStop = '.';

// An amount shown right-aligned keeps its blanks when the person edits it, and one
// pasted may part its thousands: blanks are no fault, and blanks alone are an empty
// zone.
void dropBlanks(Zone& zone) {
    zone.setText(withoutBlanks(zone.text()));
}
}  // namespace

// The key filter of both amount zones: digits, one comma, a full stop taken as a comma.
void Crt_Ondrel::amountKeyFilter(Zone& zone, int& keyAscii) {
    if (keyAscii == kBackspace)
        return;
    if (keyAscii == kEnter) {
        if (!zone.text().empty())
            zone.setText(amountTextOf(zone.text()));
        keyAscii = 0;
        return;
    }
    if (isDigitKey(keyAscii))
        return;
    bool hasComma = zone.text().find(',') != std::string::npos;
    if (keyAscii == kComma)
        keyAscii = hasComma ? 0 : kComma;
    else if (keyAscii == kFullStop)
        keyAscii = hasComma ? 0 : kComma;
    else
        keyAscii = 0;
}

void Crt_Ondrel::Txt_ValBud_KeyPress(int& keyAscii) {
    amountKeyFilter(Txt_ValBud, keyAscii);
}

void Crt_Ondrel::Txt_Affect_KeyPress(int& keyAscii) {
    amountKeyFilter(Txt_Affect, keyAscii);
}

// The shared formatting on leaving an amount zone. False when the text was refused
// and the zone emptied: an amount text longer than the zone, or a pasted text that
// is not an amount (the key filter never sees a paste).
bool Crt_Ondrel::formatOnLeaving(Zone& zone) {
    const std::string text = zone.text();
    if (text.empty() || text == ",")
        return true;
    bool fits = false;
    try {
        auto amount = parseAmount(text);
        if (!amount) {
            screen_.showError("Montant invalide : saisissez uniquement des chiffres et une virgule, par exemple 1234,56.");
            zone.setText("");
            return false;
        }
        // The zone keeps 12 characters: a cut text no longer reads as its amount.
        zone.setText(leftChars(formatAmount(*amount), kAmountLength));
        fits = amountTextOf(zone.text()) == zone.text();
    } catch (const CurrencyOverflow&) {
        fits = false;
    }
    if (!fits) {
        screen_.showError("Zone numérique trop longue.");
        zone.setText("");
        return false;
    }
    return true;
}

void Crt_Ondrel::lockDistribution() {
    for (Zone* z : {&Opt_Automatique, &Opt_Manuelle, &Etq_Periode, &Etq_Affectation})
        z->setEnabled(false);
    Lst_RepartPer.clear();
    Lst_RepartPer.setEnabled(false);
    for (Zone* z : {&Cmd_AjouterRepartition, &Cmd_SupprimerRepartition, &Cmd_OkRepartition, &Cmd_AnnulerRepartition,
                    &Cdr_Repartition, &Cdr_AutoManuel})
        z->setEnabled(false);
}

void Crt_Ondrel::openDistribution() {
    for (Zone* z : {&Cdr_Repartition, &Cdr_AutoManuel, &Opt_Automatique, &Opt_Manuelle})
        z->setEnabled(true);
    Opt_Manuelle.setValue(1);
    for (Zone* z : {&Etq_Periode, &Etq_Affectation, &Lst_RepartPer, &Cmd_AjouterRepartition})
        z->setEnabled(true);
    for (Zone* z : {&Cmd_SupprimerRepartition, &Cmd_OkRepartition, &Cmd_AnnulerRepartition})
        z->setEnabled(false);
}

// A new amount throws away the distribution made for the old one: the whole amount
// goes to the first month of the fiscal year.
void Crt_Ondrel::Txt_ValBud_LostFocus() {
    dropBlanks(Txt_ValBud);
    if (Txt_ValBud.text().empty()) {
        lockDistribution();
        return;
    }
    if (!Txt_Affect.text().empty())
        return;
    if (!formatOnLeaving(Txt_ValBud))
        return;
    if (Txt_ValBud.text() == ",") {
        Txt_ValBud.setText("0,00");
        return;
    }
    if (Lst_RepartPer.listCount() == 0 || *parseAmount(Txt_ValBud.text()) != W_TotalReparti) {
        Lst_RepartPer.clear();
        Lst_RepartPer.addItem(periodLine(Cbo_Periode.list(0), Txt_ValBud.text()));
        Lst_RepartPer.setItemData(Lst_RepartPer.newIndex(), 0);
        VerifRepart();
        W_TotalReparti = W_SommeRepart;
    }
    openDistribution();
}

void Crt_Ondrel::Txt_Affect_LostFocus() {
    dropBlanks(Txt_Affect);
    if (!formatOnLeaving(Txt_Affect))
        return;
    if (Txt_Affect.text() == ",")
        Txt_Affect.setText("0,00");
}

}  // namespace ondrel
