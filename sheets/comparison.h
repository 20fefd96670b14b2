#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sheets/budget_sheet.h"

namespace ondrel {

// Actual minus budget.
Currency variance(Currency budget, Currency actual);
// The variance as a percentage of the budget; none where nothing was budgeted.
std::optional<double> variancePercent(Currency budget, Currency actual);
// Worse than the budget: a charge above it, a produit below it.
bool overBudget(const std::string& account, Currency budget, Currency actual);
// "+12,5 %", "-3,0 %", empty for none.
std::string percentText(std::optional<double> percent);

// The headings of the columns that an export with actuals adds after the periods:
// the totals' actual, variance and variance %, then the actual of each period, then
// the variance of each.
std::vector<std::string> actualColumns(const BudgetSheet& sheet);
// The cells of those columns for one line, amounts as formatAmount writes them.
std::vector<std::string> actualCells(const BudgetSheet::Line& line);

}  // namespace ondrel
