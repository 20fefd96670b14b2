#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "sheets/budget_sheet.h"

namespace ondrel {

// Two budgets of one year side by side: the working budget and a version, or two
// versions. The difference is the right side less the left, its percentage of the left.
struct ComparedRow {
    std::string code;    // the account of a line; the class's code, empty for the three totals
    std::string label;   // the right side's, or the left's for a line that only it has
    std::vector<Currency> left, right;   // one a period, zero where nothing is
    Currency leftTotal, rightTotal;
    // Of a line:
    bool onLeft = true, onRight = true;
    std::string leftLabel{}, rightLabel{}, leftKey{}, rightKey{};
    std::string note{};   // the right side's, or the left's for a removed line
};

struct SheetComparison {
    std::string entity;
    std::string year;
    std::string leftName, rightName;
    std::vector<std::string> periodLabels;
    std::vector<ComparedRow> lines;     // in account order
    std::vector<ComparedRow> classes;   // each class, then its sub-classes
    ComparedRow charges, produits, result;
};

SheetComparison compareSheets(Database& db, const std::string& leftName, const BudgetSheet& left,
                              const std::string& rightName, const BudgetSheet& right);

// What changed in a line: "ajoutée", "supprimée", "libellé", "clé", "libellé, clé";
// empty when its label and key are the same on both sides.
std::string lineChange(const ComparedRow& line);

// The comparison as CSV, as the budget's CSV is written: a row a line, then the
// classes and the three totals; the two totals, the difference and its percentage,
// what changed, then the months of the left side, of the right, and their differences.
void writeComparisonCsv(const SheetComparison& comparison, std::ostream& out);
// The same as an XLSX sheet, the differences as formulas. Raises std::runtime_error
// when the file cannot be written.
void writeComparisonXlsx(const SheetComparison& comparison, const std::string& path);

}  // namespace ondrel
