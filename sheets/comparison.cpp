#include "sheets/comparison.h"

#include <cmath>
#include <cstdio>

namespace ondrel {

Currency variance(Currency budget, Currency actual) {
    return actual - budget;
}

std::optional<double> variancePercent(Currency budget, Currency actual) {
    if (budget == Currency::zero())
        return std::nullopt;
    return variance(budget, actual).toDouble() / budget.toDouble() * 100.0;
}

bool overBudget(const std::string& account, Currency budget, Currency actual) {
    return account.rfind('7', 0) == 0 ? actual < budget : actual > budget;
}

std::string percentText(std::optional<double> percent) {
    if (!percent)
        return {};
    // Rounded first: what rounds to nothing is never shown as "-0,0 %".
    double shown = std::round(*percent * 10.0) / 10.0;
    if (shown == 0.0)
        shown = 0.0;
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f %%", shown);
    std::string french = text;
    for (char& c : french)
        if (c == '.')
            c = ',';
    return french;
}

std::vector<std::string> actualColumns(const BudgetSheet& sheet) {
    std::vector<std::string> headings{"Réalisé", "Écart", "Écart %"};
    for (const auto& label : sheet.periodLabels)
        headings.push_back("Réalisé " + label);
    for (const auto& label : sheet.periodLabels)
        headings.push_back("Écart " + label);
    return headings;
}

std::vector<std::string> actualCells(const BudgetSheet::Line& line) {
    std::vector<std::string> cells{formatAmount(line.actualTotal), formatAmount(variance(line.total, line.actualTotal)),
                                   percentText(variancePercent(line.total, line.actualTotal))};
    for (const Currency& a : line.actual)
        cells.push_back(formatAmount(a));
    for (std::size_t p = 0; p < line.actual.size(); ++p)
        cells.push_back(formatAmount(variance(line.periods[p].value_or(Currency::zero()), line.actual[p])));
    return cells;
}

}  // namespace ondrel
