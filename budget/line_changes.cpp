#include "budget/budget_key.h"
#include "budget/currency.h"
#include "budget/stored_distribution.h"
#include "control/crt_ondrel.h"
#include "periods/period_line.h"

namespace ondrel {

// A stored line is compared with its record as the file holds it: the automatic spread
// rewrites the record in memory, not on file.
bool Crt_Ondrel::lineChanged() {
    if (!Cmd_AnnulerBudget.enabled())
        return false;
    if (W_Creation)
        return !Txt_ValBud.text().empty() || Lst_RepartPer.listCount() > 0;
    const auto stored = shared().database->read("BUDGET", budgetKey(W_CodeExercice, Txt_CodAssoc.text(), Txt_Cpte.text()));
    if (!stored || stored->value(1, 1) != Txt_LibCompte.text() || stored->value(4, 1) != Txt_Eclat.text())
        return true;
    const auto periods = storedDistribution(*stored);
    if (!periods.unreadable.empty() || static_cast<int>(periods.periods.size()) != Lst_RepartPer.listCount())
        return true;
    for (int k = 0; k < Lst_RepartPer.listCount(); ++k) {
        const auto amount = parseAmount(periodLineAmount(Lst_RepartPer.list(k)));
        if (periods.periods[k].index != Lst_RepartPer.itemData(k) || !amount || periods.periods[k].amount != *amount)
            return true;
    }
    return false;
}

}  // namespace ondrel
