#include "budget/spread_status.h"

#include "budget/currency.h"
#include "periods/period_line.h"

namespace ondrel {

std::string spreadStatus(Screen& screen) {
    if (!screen.zone("Cmd_AnnulerBudget").enabled())
        return {};
    const Zone& lines = screen.zone("Lst_RepartPer");
    Currency spread = Currency::zero();
    for (int i = 0; i < lines.listCount(); ++i)
        if (auto amount = parseAmount(periodLineAmount(lines.list(i))))
            spread += *amount;
    const auto total = parseAmount(screen.zone("Txt_ValBud").text()).value_or(Currency::zero());
    return "Réparti " + formatAmount(spread, Grouping::Thousands) + " sur " + formatAmount(total, Grouping::Thousands);
}

}  // namespace ondrel
