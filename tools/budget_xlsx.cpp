#include <algorithm>
#include <memory>
#include <stdexcept>

#include <xlsxwriter.h>

#include "screen/utf8_text.h"
#include "tools/budget_actuals.h"
#include "tools/budget_sheet.h"
#include "tools/budget_totals.h"

namespace ondrel {

namespace {

constexpr lxw_col_t kFirstPeriod = kFixedColumns;
constexpr lxw_col_t kAccountColumn = 2;
constexpr lxw_col_t kLabelColumn = 3;
constexpr lxw_col_t kTotalColumn = 5;
constexpr uint8_t kPaperA4 = 9;

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

// A formula's text, "=" and its parts, built by appending.
std::string formula(std::initializer_list<std::string> parts) {
    std::string text = "=";
    for (const auto& part : parts)
        text += part;
    return text;
}

double asNumber(Currency amount) {
    return static_cast<double>(amount.floorHundredths()) / 100.0;
}

// The actual, variance and variance % of the line, then the actual and the variance of
// each period, as formulas over the actuals so that the variances follow an edit.
void writeActuals(lxw_worksheet* ws, lxw_row_t row, lxw_col_t first, const BudgetSheet::Line& line, lxw_format* amount,
                  lxw_format* over) {
    const lxw_col_t n = static_cast<lxw_col_t>(line.actual.size());
    const lxw_col_t actualOf = first + 3, varianceOf = first + 3 + n;
    auto isOver = [&](Currency budget, Currency actual) { return overBudget(line.account, budget, actual) ? over : amount; };
    worksheet_write_number(ws, row, first, asNumber(line.actualTotal), isOver(line.total, line.actualTotal));
    const std::string gap = formula({cell(first, row), "-", cell(kTotalColumn, row)});
    worksheet_write_formula_num(ws, row, first + 1, gap.c_str(), amount, asNumber(variance(line.total, line.actualTotal)));
    if (const auto percent = variancePercent(line.total, line.actualTotal)) {
        const std::string ratio = formula({cell(first + 1, row), "/", cell(kTotalColumn, row), "*100"});
        worksheet_write_formula_num(ws, row, first + 2, ratio.c_str(), amount, *percent);
    }
    for (lxw_col_t p = 0; p < n; ++p) {
        const Currency budget = line.periods[p].value_or(Currency::zero());
        worksheet_write_number(ws, row, actualOf + p, asNumber(line.actual[p]), isOver(budget, line.actual[p]));
        const std::string monthGap = formula({cell(actualOf + p, row), "-N(", cell(kFirstPeriod + p, row), ")"});
        worksheet_write_formula_num(ws, row, varianceOf + p, monthGap.c_str(), amount, asNumber(variance(budget, line.actual[p])));
    }
}

}  // namespace

void writeBudgetXlsx(const BudgetSheet& sheet, const BudgetTotals& totals, const std::string& path) {
    std::unique_ptr<lxw_workbook, lxw_error (*)(lxw_workbook*)> book(workbook_new(path.c_str()), workbook_close);
    if (!book)
        throw std::runtime_error("impossible de créer " + path);
    lxw_worksheet* ws = workbook_add_worksheet(book.get(), ("Budget " + sheet.entity + " " + sheet.year).c_str());
    lxw_format* amount = workbook_add_format(book.get());
    format_set_num_format(amount, "#,##0.00");
    lxw_format* bold = workbook_add_format(book.get());
    format_set_bold(bold);
    // Over the budget: red, and a sign before the amount, which reads without colour.
    lxw_format* overFormat = workbook_add_format(book.get());
    format_set_num_format(overFormat, "\"▲ \"#,##0.00;\"▲ \"-#,##0.00");
    format_set_font_color(overFormat, LXW_COLOR_RED);
    lxw_format* boldAmount = workbook_add_format(book.get());
    format_set_bold(boldAmount);
    format_set_num_format(boldAmount, "#,##0.00");

    std::vector<std::string> header = budgetSheetHeader(sheet);
    if (sheet.withActuals)
        for (const auto& heading : actualColumns(sheet))
            header.push_back(heading);
    for (lxw_col_t c = 0; c < header.size(); ++c)
        worksheet_write_string(ws, 0, c, header[c].c_str(), bold);
    worksheet_freeze_panes(ws, 1, 0);

    // Widths in characters: a whole account, a label of forty, the longest month heading
    // and an amount of nine digits with its separators.
    const lxw_col_t lastPeriod = static_cast<lxw_col_t>(kFirstPeriod + sheet.periodLabels.size() - 1);
    worksheet_set_column(ws, 0, 1, 9, nullptr);
    worksheet_set_column(ws, kAccountColumn, kAccountColumn, 13, nullptr);
    worksheet_set_column(ws, kLabelColumn, kLabelColumn, 42, nullptr);
    worksheet_set_column(ws, 4, 4, 6, nullptr);
    worksheet_set_column(ws, kTotalColumn, kTotalColumn, 15, nullptr);
    for (lxw_col_t c = kFirstPeriod; c < header.size(); ++c)
        worksheet_set_column(ws, c, c, std::max<double>(14, charCount(header[c]) + 2), nullptr);

    // Printed on A4 landscape, as wide as one page, the header row on every page.
    worksheet_set_paper(ws, kPaperA4);
    worksheet_set_landscape(ws);
    worksheet_fit_to_pages(ws, 1, 0);
    worksheet_repeat_rows(ws, 0, 0);

    lxw_row_t row = 1;
    for (const auto& line : sheet.lines) {
        worksheet_write_string(ws, row, 0, sheet.entity.c_str(), nullptr);
        worksheet_write_string(ws, row, 1, sheet.year.c_str(), nullptr);
        worksheet_write_string(ws, row, kAccountColumn, line.account.c_str(), nullptr);
        worksheet_write_string(ws, row, kLabelColumn, line.label.c_str(), nullptr);
        worksheet_write_string(ws, row, 4, line.key.c_str(), nullptr);
        for (std::size_t p = 0; p < line.periods.size(); ++p)
            if (line.periods[p])
                worksheet_write_number(ws, row, static_cast<lxw_col_t>(kFirstPeriod + p), asNumber(*line.periods[p]),
                                       amount);
        // The total of a line adds up its periods, so the sheet stays right as it is edited.
        const std::string sum = formula({"SUM(", cell(kFirstPeriod, row), ":", cell(lastPeriod, row), ")"});
        worksheet_write_formula_num(ws, row, kTotalColumn, sum.c_str(), amount, asNumber(line.total));
        if (sheet.withActuals)
            writeActuals(ws, row, lastPeriod + 1, line, amount, overFormat);
        ++row;
    }

    // Below a blank row, the totals the overview shows: each class and sub-class, the
    // charges, the produits and the result, as formulas over the lines' accounts.
    const lxw_row_t lastLine = row - 1;
    ++row;
    auto sumOf = [&](lxw_col_t c, const std::string& prefix) {
        const std::string last = std::to_string(lastLine + 1);
        std::string f = "SUMIF($";
        for (const std::string& part : {columnName(kAccountColumn), std::string("$2:$"), columnName(kAccountColumn),
                                        std::string("$"), last, std::string(",\""), prefix, std::string("*\","),
                                        columnName(c), std::string("$2:"), columnName(c), std::string("$"), last})
            f += part;
        f += ')';
        return f;
    };
    auto writeTotal = [&](const TotalRow& t, const std::string& formulaOf, lxw_format* text, lxw_format* number,
                          auto&& sumAt) {
        if (!t.code.empty())
            worksheet_write_string(ws, row, kAccountColumn, t.code.c_str(), text);
        worksheet_write_string(ws, row, kLabelColumn, (t.label.empty() ? formulaOf : t.label).c_str(), text);
        for (lxw_col_t c = kTotalColumn; c <= lastPeriod; ++c) {
            const Currency value = c == kTotalColumn ? t.total : t.periods[c - kFirstPeriod];
            worksheet_write_formula_num(ws, row, c, formula({sumAt(c)}).c_str(), number, asNumber(value));
        }
        if (sheet.withActuals) {
            // The actuals of a total are the accounts' own, each counted once: a grouping
            // line and a detailed line under it hold the same postings, which a sum of
            // the lines would count twice.
            const lxw_col_t first = lastPeriod + 1, n = static_cast<lxw_col_t>(t.periods.size());
            worksheet_write_number(ws, row, first, asNumber(t.actualTotal), number);
            const std::string gap = formula({cell(first, row), "-", cell(kTotalColumn, row)});
            worksheet_write_formula_num(ws, row, first + 1, gap.c_str(), number, asNumber(variance(t.total, t.actualTotal)));
            for (lxw_col_t p = 0; p < n; ++p) {
                worksheet_write_number(ws, row, first + 3 + p, asNumber(t.actualPeriods[p]), number);
                const std::string monthGap = formula({cell(first + 3 + p, row), "-", cell(kFirstPeriod + p, row)});
                worksheet_write_formula_num(ws, row, first + 3 + n + p, monthGap.c_str(), number,
                                            asNumber(variance(t.periods[p], t.actualPeriods[p])));
            }
        }
        return row++;
    };
    for (const TotalRow& t : totals.classes)
        writeTotal(t, "Classe " + t.code, nullptr, amount, [&](lxw_col_t c) { return sumOf(c, t.code); });
    const lxw_row_t charges =
        writeTotal(totals.charges, "", bold, boldAmount, [&](lxw_col_t c) { return sumOf(c, "6"); });
    const lxw_row_t produits =
        writeTotal(totals.produits, "", bold, boldAmount, [&](lxw_col_t c) { return sumOf(c, "7"); });
    writeTotal(totals.result, "", bold, boldAmount, [&](lxw_col_t c) { return cell(c, produits) + "-" + cell(c, charges); });
    if (workbook_close(book.release()) != LXW_NO_ERROR)
        throw std::runtime_error("impossible d'écrire " + path);
}

}  // namespace ondrel
