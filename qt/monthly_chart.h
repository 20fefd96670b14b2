#pragma once

#include <QChart>

#include "tools/budget_sheet.h"
#include "tools/budget_totals.h"

namespace ondrel {

// The charges and the produits of a year month by month, as bars under one title.
QChart* monthlyChart(const BudgetSheet& sheet, const BudgetTotals& totals);

}  // namespace ondrel
