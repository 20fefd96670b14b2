#include <ostream>

#include "sheets/comparison.h"
#include "sheets/budget_sheet.h"
#include "sheets/csv_cells.h"

namespace ondrel {

namespace {

void writeLines(const BudgetSheet& sheet, std::size_t periods, std::ostream& out) {
    for (const auto& line : sheet.lines) {
        std::vector<std::string> row{keptAsText(sheet.entity), sheet.year, asSpreadsheetText(line.account),
                                     asSpreadsheetText(line.label), keptAsText(line.key), formatAmount(line.total)};
        for (const auto& amount : line.periods)
            row.push_back(amount ? formatAmount(*amount) : std::string());
        row.resize(kFixedColumns + periods);
        row.push_back(asSpreadsheetText(line.note));
        if (sheet.withActuals)
            for (auto& cell : actualCells(line))
                row.push_back(std::move(cell));
        writeCsvRecord(out, row);
    }
}

void writeHeader(std::vector<std::string> header, bool withActuals, const BudgetSheet& sheet, std::ostream& out) {
    out << "\xEF\xBB\xBF";
    for (std::size_t c = kFixedColumns; c < header.size(); ++c)
        header[c] = keptAsText(header[c]);
    header.push_back(kNoteHeading);
    if (withActuals)
        for (const auto& heading : actualColumns(sheet))
            header.push_back(heading);
    writeCsvRecord(out, header);
}

}  // namespace

void writeBudgetCsv(const BudgetSheet& sheet, std::ostream& out) {
    writeHeader(budgetSheetHeader(sheet), sheet.withActuals, sheet, out);
    writeLines(sheet, sheet.periodLabels.size(), out);
}

void writeBudgetCsv(const std::vector<BudgetSheet>& sheets, std::ostream& out) {
    BudgetSheet widest;
    bool sameMonths = true;
    for (const auto& sheet : sheets) {
        sameMonths = sameMonths && (sheets.front().periodLabels == sheet.periodLabels);
        if (sheet.periodLabels.size() > widest.periodLabels.size())
            widest.periodLabels = sheet.periodLabels;
    }
    if (!sameMonths)
        for (std::size_t p = 0; p < widest.periodLabels.size(); ++p)
            widest.periodLabels[p] = "Période " + std::to_string(p + 1);
    writeHeader(budgetSheetHeader(widest), false, widest, out);
    for (const auto& sheet : sheets)
        writeLines(sheet, widest.periodLabels.size(), out);
}

}  // namespace ondrel
