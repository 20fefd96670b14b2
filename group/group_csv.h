#pragma once

#include <iosfwd>

#include "group/group_view.h"

namespace ondrel {

// The group's year as French spreadsheets read it, in the layout of an entity's export:
// a row an account (group, year, account, label, total, then each calendar month), then
// a column an entity with its part of the total and the eliminated part; then the
// totals, the eliminations left out. The row of an account whose labels differ says so.
void writeGroupCsv(const GroupView& view, std::ostream& out);

// The header of that file.
std::vector<std::string> groupSheetHeader(const GroupView& view);

// The same as a workbook: account, label, the group's total, the months, each entity's
// part, the eliminated part, as numbers and formulas; then the subtotals, the charges,
// the produits and the result, formulas that leave the eliminated rows out. A4
// landscape, the header row and the account and label on every page. Raises
// std::runtime_error, in French, when the file cannot be written.
void writeGroupXlsx(const GroupView& view, const std::string& path);

}  // namespace ondrel
