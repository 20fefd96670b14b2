#pragma once

#include <string>

#include "sheets/budget_sheet.h"

namespace ondrel {

// Puts the year's actuals beside its budget: each line gets the actuals of its own
// account, or of every account under it for a grouping line (6300000000 takes 631…,
// 632…); an account with actuals that no line covers comes after the lines, as a line
// with no budget, in account order.
void compareWithActuals(Database& db, BudgetSheet& sheet);

// What a view of the year watches: it changes whenever a budget line, an actual, a
// note, a version or the lock of the entity's year is written, by any desk or tool.
std::string yearChangeStamp(Database& db, const std::string& entity, const std::string& year);

}  // namespace ondrel
