// sheets: spreadsheets in and out: a year's budget as a table, CSV and XLSX, the import
// typed through the screen, the totals. Stands on the control; reaches down to the
// store because it reads a year's budget records at once, as a view does, where the
// screen reads one line at a time.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "budget/currency.h"
#include "periods/calendar_walk.h"
#include "store/database.h"

namespace ondrel {

// The budget of an entity for one fiscal year as a spreadsheet sees it: a row a line,
// in account order, a column a period of the year, in calendar order.
struct BudgetSheet {
    struct Line {
        std::string account;
        std::string label;
        std::string key;   // the distribution key's code
        std::vector<std::optional<Currency>> periods;   // one a period of the year, empty where none is stored
        Currency total;
        std::int64_t revision = 0;   // of the BUDGET record as read; 0 for none
        std::string note{};          // why this amount; empty for none
        // With the actuals (compareWithActuals): one a period, and false for an account
        // that has actuals and no budget line.
        std::vector<Currency> actual{};
        Currency actualTotal{};
        bool budgeted = true;
    };
    std::string entity;
    std::string year;   // "N" or "N+1"
    std::vector<std::string> periodLabels;   // "janvier 2027"
    std::vector<Line> lines;
    bool withActuals = false;
    std::map<std::string, std::vector<Currency>> actuals{};   // account → one a period, as imported
};

// The months of the entity's fiscal year N or N+1.
std::vector<Period> fiscalPeriods(Database& db, const std::string& entity, const std::string& year);

// The header row of a budget file: entity, year, account, label, key, total, then the
// label of each period.
std::vector<std::string> budgetSheetHeader(const BudgetSheet& sheet);
constexpr std::size_t kFixedColumns = 6;   // the columns before the periods
// The heading of the column after the periods that holds each line's note.
inline constexpr const char* kNoteHeading = "Note";

// The line of a BUDGET record, or of a record of the same layout, whose key is prefix
// followed by the account. Raises std::runtime_error, in French, for months that do not
// read or fall outside the sheet's year.
BudgetSheet::Line sheetLine(const Record& r, const std::string& prefix, const BudgetSheet& sheet);

// The sheet of the entity's year without its lines: its months' labels. Raises
// std::runtime_error, in French, for an entity or year that is not on file.
BudgetSheet emptyBudgetSheet(Database& db, const std::string& entity, const std::string& year);
// Reads the lines from the BUDGET records, with their notes. Raises std::runtime_error, in French, for an
// entity or year that is not on file and for a line with a period outside its year.
BudgetSheet readBudgetSheet(Database& db, const std::string& entity, const std::string& year);

// CSV as French spreadsheets read it: ";" between fields, decimal comma, no thousands
// separator, UTF-8 with a byte-order mark, quotes where a field needs them. The notes
// follow the periods. With the actuals, the columns of the actuals and variances follow
// (actualColumns); such a file is for reading, and the import refuses it.
void writeBudgetCsv(const BudgetSheet& sheet, std::ostream& out);
// The lines of several entities' sheets under one header, as the import reads them
// back: each line's months by their place in its own year, headed by the months' labels
// where the sheets share them and "Période 1", "Période 2"… where they do not.
void writeBudgetCsv(const std::vector<BudgetSheet>& sheets, std::ostream& out);
// XLSX: real numbers with two decimals, the header row frozen, a total column, then the
// class subtotals, the charges, the produits and the result, all formulas; columns wide
// enough to read, printed on A4 landscape. Raises std::runtime_error when the file
// cannot be written.
struct BudgetTotals;
void writeBudgetXlsx(const BudgetSheet& sheet, const BudgetTotals& totals, const std::string& path);

}  // namespace ondrel
