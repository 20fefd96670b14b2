#include <memory>
#include <stdexcept>

#include <xlsxwriter.h>

#include "tools/budget_sheet.h"

namespace ondrel {

namespace {

constexpr lxw_col_t kFirstPeriod = 6;   // after entity, year, account, label, key, total
constexpr lxw_col_t kTotalColumn = 5;

// "A", "B", … "Z", "AA": the letters of a column, from 0.
std::string columnName(lxw_col_t col) {
    std::string name;
    for (unsigned n = col + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

std::string cell(lxw_col_t col, lxw_row_t row) {
    return columnName(col) + std::to_string(row + 1);
}

double asNumber(Currency amount) {
    return static_cast<double>(amount.floorHundredths()) / 100.0;
}

}  // namespace

void writeBudgetXlsx(const BudgetSheet& sheet, const std::string& path) {
    std::unique_ptr<lxw_workbook, lxw_error (*)(lxw_workbook*)> book(workbook_new(path.c_str()), workbook_close);
    if (!book)
        throw std::runtime_error("impossible de créer " + path);
    lxw_worksheet* ws = workbook_add_worksheet(book.get(), ("Budget " + sheet.entity + " " + sheet.year).c_str());
    lxw_format* amount = workbook_add_format(book.get());
    format_set_num_format(amount, "0.00");
    lxw_format* bold = workbook_add_format(book.get());
    format_set_bold(bold);

    const std::vector<std::string> header = budgetSheetHeader(sheet);
    for (lxw_col_t c = 0; c < header.size(); ++c)
        worksheet_write_string(ws, 0, c, header[c].c_str(), bold);
    worksheet_freeze_panes(ws, 1, 0);

    const lxw_col_t lastPeriod = static_cast<lxw_col_t>(kFirstPeriod + sheet.periodLabels.size() - 1);
    lxw_row_t row = 1;
    for (const auto& line : sheet.lines) {
        worksheet_write_string(ws, row, 0, sheet.entity.c_str(), nullptr);
        worksheet_write_string(ws, row, 1, sheet.year.c_str(), nullptr);
        worksheet_write_string(ws, row, 2, line.account.c_str(), nullptr);
        worksheet_write_string(ws, row, 3, line.label.c_str(), nullptr);
        worksheet_write_string(ws, row, 4, line.key.c_str(), nullptr);
        for (std::size_t p = 0; p < line.periods.size(); ++p)
            if (line.periods[p])
                worksheet_write_number(ws, row, static_cast<lxw_col_t>(kFirstPeriod + p), asNumber(*line.periods[p]),
                                       amount);
        // The total of a line adds up its periods, so the sheet stays right as it is edited.
        const std::string sum = "=SUM(" + cell(kFirstPeriod, row) + ":" + cell(lastPeriod, row) + ")";
        worksheet_write_formula_num(ws, row, kTotalColumn, sum.c_str(), amount, asNumber(line.total));
        ++row;
    }
    worksheet_write_string(ws, row, 3, "Total", bold);
    for (lxw_col_t c = kTotalColumn; c <= lastPeriod; ++c) {
        Currency column = Currency::zero();
        for (const auto& line : sheet.lines)
            column += c == kTotalColumn ? line.total : line.periods[c - kFirstPeriod].value_or(Currency::zero());
        const std::string sum = "=SUM(" + cell(c, 1) + ":" + cell(c, row - 1) + ")";
        worksheet_write_formula_num(ws, row, c, sum.c_str(), amount, asNumber(column));
    }
    if (workbook_close(book.release()) != LXW_NO_ERROR)
        throw std::runtime_error("impossible d'écrire " + path);
}

}  // namespace ondrel
