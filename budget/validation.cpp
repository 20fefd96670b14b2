#include "control/crt_ondrel.h"
#include "periods/period_line.h"

namespace ondrel {

namespace {
constexpr const char* kSumMessage = "La somme des répartitions doit ètre égale au montant à budgéter.";
}

// The checks before saving, in order; the first that fails shows its message.
void Crt_Ondrel::VerifZone() {
    W_ZonesOk = true;
    auto fail = [&](const std::string& message, Zone* focus) {
        screen_.showError(message);
        if (focus)
            focus->setFocus();
        W_ZonesOk = false;
    };
    if (!W_ValeursIllisibles.empty())
        return fail(unreadableLine(), nullptr);
    if (Txt_LibCompte.text().empty())
        return fail("Le libellé du compte est obligatoire.", &Txt_LibCompte);
    if (Txt_ValBud.text().empty())
        return fail("Il est obligatoire de spécifier une valeur à budgéter.", &Txt_ValBud);
    if (Lst_RepartPer.list(0).empty())
        return fail(kSumMessage, nullptr);
    auto amount = parseAmount(Txt_ValBud.text());
    if (!amount)
        return fail("Il est obligatoire de spécifier une valeur à budgéter.", &Txt_ValBud);
    W_TotalReparti = *amount;
    VerifRepart();
    if (W_TotalReparti != W_SommeRepart)
        return fail(kSumMessage, nullptr);
    if (Txt_Eclat.text().empty())
        return fail("Il est obligatoire de spécifier une clé de répartition.", &Txt_Eclat);
}

// Copies the screen into the current budget record and stores it.
void Crt_Ondrel::EcrireDonnees() {
    Record& budget = *shared().budgetRecord;
    budget.setField(2, "");
    budget.setField(3, "");
    for (int k = 0; k == 0 || !Lst_RepartPer.list(k).empty(); ++k) {
        budget.setValue(2, k + 1, std::to_string(Lst_RepartPer.itemData(k)));
        auto amount = parseAmount(periodLineAmount(Lst_RepartPer.list(k)));
        if (!amount)
            throw DataError(kBadValue, "La ligne de période " + std::to_string(k + 1) + " ne porte pas de montant.");
        budget.setValue(3, k + 1, storedHundredths(*amount));
    }
    budget.setField(1, Txt_LibCompte.text());
    budget.setField(4, Txt_Eclat.text());
    budget.DBWrite();
}

}  // namespace ondrel
