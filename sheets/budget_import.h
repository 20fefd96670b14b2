#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "sheets/budget_sheet.h"
#include "sheets/screen_writer.h"

namespace ondrel {

// A row of a budget file, with the number of its line in the file.
struct BudgetRow {
    int lineNumber = 0;
    LineToWrite line;
    // From a view: the revision of the line it showed, 0 for a line it made. Another
    // desk's change since refuses the row.
    std::optional<std::int64_t> readAt{};
    // The line's note; none where the file has no column of notes, and the line's note
    // stays as it is. An empty note takes the line's away.
    std::optional<std::string> note{};
};

// An amount cell as an amount zone takes it: at most nine digits before the comma and
// two after it, no sign; none for anything else.
std::optional<Currency> amountCell(const std::string& text);

// Reads the rows of a budget table, its header first, whatever file they come from:
// each record's cells and the number of its line. A row whose total is given without
// periods is spread by the screen's automatic rule. A row that cannot be read goes to
// faults as "ligne N : reason", in French.
using NextRecord = std::function<bool(std::vector<std::string>& cells, int& line)>;
// A CSV guards a text that a spreadsheet would take for a formula ('=… or ="…"); a
// workbook's string cells hold the text as it is.
enum class TextCells { Guarded, AsWritten };
std::vector<BudgetRow> readBudgetTable(const NextRecord& next, TextCells texts, std::vector<std::string>& faults);
// The layout that writeBudgetCsv writes.
std::vector<BudgetRow> readBudgetCsv(std::istream& in, std::vector<std::string>& faults);
// The sheet that writeBudgetXlsx writes, as a spreadsheet saves it after an edit.
std::vector<BudgetRow> readBudgetXlsx(const std::string& path, std::vector<std::string>& faults);
// A CSV file, or an XLSX one for a name ending in .xlsx. Raises std::runtime_error, in
// French, for a file that cannot be read.
std::vector<BudgetRow> readBudgetFile(const std::string& path, std::vector<std::string>& faults);

// What an import or a copy did, or would do.
struct BudgetWriteReport {
    int created = 0;
    int changed = 0;
    int unchanged = 0;
    std::vector<std::string> kept;     // lines on file left alone
    std::vector<std::string> faults;   // "ligne N : the screen's message"
};

// How rows are written: over the lines on file or beside them (those kept are listed),
// and for real or only to say what would be written.
struct BudgetWriting {
    OnFile onFile = OnFile::Replace;
    enum class Run { Write, DryRun } run = Run::Write;
};

// Writes the rows through the screen with the rights of the person who writes them, all
// in one transaction: a single refused row, or a dry run, and nothing is written.
BudgetWriteReport writeBudgetRows(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                                  const std::vector<BudgetRow>& rows, BudgetWriting writing);

// The lines of the year `from` as lines of the year `to`, their amounts raised or
// lowered by percentHundredths hundredths of a percent, to the cent. A line spread
// evenly, or one whose year has another number of periods, is spread again by the
// automatic rule; any other keeps its months, each scaled.
std::vector<BudgetRow> copiedRows(const BudgetSheet& from, const std::string& to, std::size_t toPeriods,
                                  std::int64_t percentHundredths);

}  // namespace ondrel
