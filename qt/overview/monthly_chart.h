#pragma once

#include <QChart>

#include "sheets/budget_sheet.h"
#include "sheets/budget_totals.h"

namespace ondrel {

// What the bars of the chart show: the budget (with the actuals beside it once they
// are imported), the actuals, or the variance, in amounts or in percent.
enum class ChartMeasure { Budget, Actual, Variance, VariancePercent };

// The charges and the produits of a year month by month, as bars under one title.
QChart* monthlyChart(const BudgetSheet& sheet, const BudgetTotals& totals, ChartMeasure measure = ChartMeasure::Budget);

}  // namespace ondrel
