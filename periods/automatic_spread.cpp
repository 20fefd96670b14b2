#include "control/crt_ondrel.h"
#include "periods/calendar_walk.h"
#include "periods/even_spread.h"
#include "periods/period_line.h"

namespace ondrel {

// Spreads the amount evenly over every month of the fiscal year, into the current
// budget record, and rebuilds the lines from what the record then holds.
void Crt_Ondrel::Opt_Automatique_Click() {
    Lst_RepartPer.clear();
    Record& budget = *shared().budgetRecord;
    budget.setField(2, "");
    budget.setField(3, "");
    const auto periods = walkFiscalYear(Txt_DateDebutExercice.text(), Txt_DateFinExercice.text());
    const auto amount = parseAmount(Txt_ValBud.text());
    if (!amount)
        throw DataError(kBadValue, "La valeur à budgétiser « " + Txt_ValBud.text() + " » n'est pas un montant.");
    const auto shares = spreadEvenly(*amount, static_cast<int>(periods.size()));
    W_TotalReparti = Currency::zero();
    for (std::size_t i = 0; i < periods.size(); ++i) {
        budget.setValue(2, static_cast<int>(i) + 1, std::to_string(i));
        budget.setValue(3, static_cast<int>(i) + 1, storedHundredths(shares[i]));
        const Currency stored = fromStoredHundredths(budget.value(3, static_cast<int>(i) + 1));
        Lst_RepartPer.addItem(periodLine(periods[i].label, formatAmount(stored)));
        Lst_RepartPer.setItemData(Lst_RepartPer.newIndex(), std::stoi(budget.value(2, static_cast<int>(i) + 1)));
        W_TotalReparti += stored;
    }
}

}  // namespace ondrel
