#pragma once

#include <string>
#include <vector>

#include "sheets/budget_sheet.h"

namespace ondrel {

// A row of totals: a class or sub-class of accounts, the charges, the produits, the result.
struct TotalRow {
    std::string code;    // "6", "61"; empty for the three totals
    std::string label;   // the class's label from CLASSE or SCLASSE, or the total's name
    std::vector<Currency> periods;
    Currency total;
    // With the actuals: the sum of the actuals of the accounts under it, each once.
    std::vector<Currency> actualPeriods;
    Currency actualTotal;
};

struct BudgetTotals {
    std::vector<TotalRow> classes;   // each class, then its sub-classes, in code order
    TotalRow charges;                // class 6
    TotalRow produits;               // class 7
    TotalRow result;                 // produits minus charges
};

// The subtotals and totals of a year's budget, in whole cents as the records hold them.
BudgetTotals totalsOf(Database& db, const BudgetSheet& sheet);

}  // namespace ondrel
