#include <ostream>

#include "sheets/comparison.h"
#include "sheets/budget_sheet.h"
#include "sheets/csv_cells.h"

namespace ondrel {

void writeBudgetCsv(const BudgetSheet& sheet, std::ostream& out) {
    out << "\xEF\xBB\xBF";
    std::vector<std::string> header = budgetSheetHeader(sheet);
    for (std::size_t c = kFixedColumns; c < header.size(); ++c)
        header[c] = keptAsText(header[c]);
    header.push_back(kNoteHeading);
    if (sheet.withActuals)
        for (const auto& heading : actualColumns(sheet))
            header.push_back(heading);
    writeCsvRecord(out, header);
    for (const auto& line : sheet.lines) {
        std::vector<std::string> row{keptAsText(sheet.entity), sheet.year, asSpreadsheetText(line.account),
                                     asSpreadsheetText(line.label), keptAsText(line.key), formatAmount(line.total)};
        for (const auto& amount : line.periods)
            row.push_back(amount ? formatAmount(*amount) : std::string());
        row.push_back(asSpreadsheetText(line.note));
        if (sheet.withActuals)
            for (auto& cell : actualCells(line))
                row.push_back(std::move(cell));
        writeCsvRecord(out, row);
    }
}

}  // namespace ondrel
