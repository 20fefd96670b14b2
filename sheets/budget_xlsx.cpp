#include <algorithm>
#include <memory>
#include <stdexcept>

#include <xlsxwriter.h>

#include "screen/utf8_text.h"
#include "sheets/comparison.h"
#include "sheets/budget_sheet.h"
#include "sheets/budget_totals.h"
#include "sheets/xlsx_cells.h"

namespace ondrel {

namespace {

constexpr lxw_col_t kFirstPeriod = kFixedColumns;
constexpr lxw_col_t kAccountColumn = 2;
constexpr lxw_col_t kLabelColumn = 3;
constexpr lxw_col_t kKeyColumn = 4;
constexpr lxw_col_t kTotalColumn = 5;
// With the actuals a sheet is 45 columns wide: printed across several pages, each a
// size that reads, the account and label on each.
constexpr uint16_t kPrintScaleWithActuals = 75;

// Where a comparison stands in a row: the actual's column and the budget's, and the
// columns that show how they compare (the actual itself, the variance, its %).
struct Comparison {
    lxw_col_t actual, budget;
    std::vector<lxw_col_t> shown;
};

// The sheet of one year: its lines, then its totals below a blank row, each total and
// variance a formula, so that the sheet stays right as someone edits it. With the
// actuals, what is worse than the budget is marked by conditional formats, which
// follow an edit too.
class SheetWriter {
public:
    SheetWriter(lxw_workbook* book, const BudgetSheet& sheet, const BudgetTotals& totals)
        : book_(book), sheet_(sheet), totals_(totals),
          lastPeriod_(static_cast<lxw_col_t>(kFirstPeriod + sheet.periodLabels.size() - 1)) {
        ws_ = workbook_add_worksheet(book, ("Budget " + sheet.entity + " " + sheet.year).c_str());
        makeFormats();
    }

    void write() {
        writeHeader();
        setWidths();
        setPrinting();
        lxw_row_t row = 1;
        for (const auto& line : sheet_.lines)
            writeLine(row++, line);
        lastLine_ = row - 1;
        if (sheet_.withActuals)
            markWorseLines();
        writeTotals(row + 1);
    }

private:
    void makeFormats() {
        const SheetFormats plain = sheetFormats(book_);
        amount_ = plain.amount;
        percent_ = plain.percent;
        bold_ = plain.bold;
        boldAmount_ = workbook_add_format(book_);
        format_set_bold(boldAmount_);
        format_set_num_format(boldAmount_, "#,##0.00");
        // Worse than the budget: red, and a sign before the figure, which reads without
        // colour and on paper.
        worseAmount_ = workbook_add_format(book_);
        format_set_num_format(worseAmount_, "\"▲ \"#,##0.00;\"▲ \"-#,##0.00");
        format_set_font_color(worseAmount_, LXW_COLOR_RED);
        worsePercent_ = workbook_add_format(book_);
        format_set_num_format(worsePercent_, "\"▲ \"+0.0\" %\";\"▲ \"-0.0\" %\"");
        format_set_font_color(worsePercent_, LXW_COLOR_RED);
    }

    // The header row and the account and label stay in sight as the sheet scrolls.
    void writeHeader() {
        std::vector<std::string> header = budgetSheetHeader(sheet_);
        header.push_back(kNoteHeading);
        if (sheet_.withActuals)
            for (const auto& heading : actualColumns(sheet_))
                header.push_back(heading);
        for (lxw_col_t c = 0; c < header.size(); ++c)
            worksheet_write_string(ws_, 0, c, header[c].c_str(), bold_);
        worksheet_freeze_panes(ws_, 1, kLabelColumn + 1);
        widths_.resize(header.size());
        for (lxw_col_t c = kFirstPeriod; c < header.size(); ++c)
            widths_[c] = std::max<double>(14, static_cast<double>(charCount(header[c])) + 2);
        widths_[noteColumn()] = 40;
    }

    // Widths in characters: a whole account, a label of forty, each heading and an
    // amount of nine digits with its separators.
    void setWidths() {
        worksheet_set_column(ws_, 0, 1, 9, nullptr);
        worksheet_set_column(ws_, kAccountColumn, kAccountColumn, 13, nullptr);
        worksheet_set_column(ws_, kLabelColumn, kLabelColumn, 42, nullptr);
        worksheet_set_column(ws_, kKeyColumn, kKeyColumn, 6, nullptr);
        worksheet_set_column(ws_, kTotalColumn, kTotalColumn, 15, nullptr);
        for (lxw_col_t c = kFirstPeriod; c < widths_.size(); ++c)
            worksheet_set_column(ws_, c, c, widths_[c], nullptr);
    }

    // A4 landscape, the header row on every page: the budget one page wide; with the
    // actuals, pages across, the account and label on each.
    void setPrinting() {
        worksheet_set_paper(ws_, kPaperA4);
        worksheet_set_landscape(ws_);
        worksheet_repeat_rows(ws_, 0, 0);
        if (sheet_.withActuals) {
            worksheet_repeat_columns(ws_, kAccountColumn, kLabelColumn);
            worksheet_set_print_scale(ws_, kPrintScaleWithActuals);
        } else {
            worksheet_fit_to_pages(ws_, 1, 0);
        }
    }

    void writeLine(lxw_row_t row, const BudgetSheet::Line& line) {
        worksheet_write_string(ws_, row, 0, sheet_.entity.c_str(), nullptr);
        worksheet_write_string(ws_, row, 1, sheet_.year.c_str(), nullptr);
        worksheet_write_string(ws_, row, kAccountColumn, line.account.c_str(), nullptr);
        worksheet_write_string(ws_, row, kLabelColumn, line.label.c_str(), nullptr);
        worksheet_write_string(ws_, row, kKeyColumn, line.key.c_str(), nullptr);
        for (std::size_t p = 0; p < line.periods.size(); ++p)
            if (line.periods[p])
                worksheet_write_number(ws_, row, static_cast<lxw_col_t>(kFirstPeriod + p), asNumber(*line.periods[p]), amount_);
        if (!line.note.empty())
            worksheet_write_string(ws_, row, noteColumn(), line.note.c_str(), nullptr);
        // The total of a line adds up its periods; its value is kept too, so that a file
        // read back before any spreadsheet opened it has it.
        const std::string sum = formula({"SUM(", cellName(kFirstPeriod, row), ":", cellName(lastPeriod_, row), ")"});
        worksheet_write_formula_num(ws_, row, kTotalColumn, sum.c_str(), amount_, asNumber(line.total));
        if (sheet_.withActuals)
            writeComparison(row, line.total, line.actualTotal, line.periods, line.actual, amount_);
    }

    // The actual, variance and variance % of the year, then the actual and the variance
    // of each period: the actuals as numbers, the variances as formulas over them.
    void writeComparison(lxw_row_t row, Currency total, Currency actualTotal,
                         const std::vector<std::optional<Currency>>& periods, const std::vector<Currency>& actual,
                         lxw_format* number) {
        const lxw_col_t first = noteColumn() + 1, n = static_cast<lxw_col_t>(actual.size());
        worksheet_write_number(ws_, row, first, asNumber(actualTotal), number);
        const std::string gap = formula({cellName(first, row), "-", cellName(kTotalColumn, row)});
        worksheet_write_formula_num(ws_, row, first + 1, gap.c_str(), number, asNumber(variance(total, actualTotal)));
        const std::string ratio =
            formula({"IF(N(", cellName(kTotalColumn, row), ")=0,\"\",", cellName(first + 1, row), "/", cellName(kTotalColumn, row), "*100)"});
        if (const auto percent = variancePercent(total, actualTotal))
            worksheet_write_formula_num(ws_, row, first + 2, ratio.c_str(), percent_, *percent);
        else
            worksheet_write_formula_str(ws_, row, first + 2, ratio.c_str(), percent_, "");
        for (lxw_col_t p = 0; p < n; ++p) {
            const Currency budget = p < periods.size() ? periods[p].value_or(Currency::zero()) : Currency::zero();
            worksheet_write_number(ws_, row, first + 3 + p, asNumber(actual[p]), number);
            const std::string monthGap = formula({cellName(first + 3 + p, row), "-N(", cellName(kFirstPeriod + p, row), ")"});
            worksheet_write_formula_num(ws_, row, first + 3 + n + p, monthGap.c_str(), number,
                                        asNumber(variance(budget, actual[p])));
        }
    }

    // The notes follow the periods; the actuals, when there are some, follow the notes.
    lxw_col_t noteColumn() const { return lastPeriod_ + 1; }

    // Each comparison of a row: the year's, then each period's.
    std::vector<Comparison> comparisons() const {
        const auto column = [](std::size_t c) { return static_cast<lxw_col_t>(c); };
        const std::size_t first = noteColumn() + 1u, n = sheet_.periodLabels.size();
        std::vector<Comparison> all{{column(first), kTotalColumn, {column(first), column(first + 1), column(first + 2)}}};
        for (std::size_t p = 0; p < n; ++p)
            all.push_back({column(first + 3 + p), column(kFirstPeriod + p), {column(first + 3 + p), column(first + 3 + n + p)}});
        return all;
    }

    // Worse than the budget, whatever is typed later: a charge (an account of class 6)
    // above it, a produit below it. `kind` is the condition on the account; `charges`,
    // `produits` decide without one.
    void markWorse(lxw_row_t first, lxw_row_t last, const std::string& kind) {
        for (const Comparison& c : comparisons()) {
            const std::string actual = "N(" + cellName(c.actual, first) + ")";
            const std::string budget = "N(" + cellName(c.budget, first) + ")";
            std::string condition;
            if (kind == "charges")
                condition = actual + ">" + budget;
            else if (kind == "produits")
                condition = actual + "<" + budget;
            else
                condition = "OR(AND(" + kind + "=\"6\"," + actual + ">" + budget + "),AND(" + kind + "=\"7\"," + actual + "<" +
                            budget + "))";
            for (lxw_col_t shown : c.shown) {
                lxw_conditional_format rule{};
                rule.type = LXW_CONDITIONAL_TYPE_FORMULA;
                const std::string text = "=" + condition;
                rule.value_string = const_cast<char*>(text.c_str());
                rule.format = shown == c.shown.back() && c.shown.size() == 3 ? worsePercent_ : worseAmount_;
                worksheet_conditional_format_range(ws_, first, shown, last, shown, &rule);
            }
        }
    }

    void markWorseLines() {
        if (lastLine_ >= 1)
            markWorse(1, lastLine_, "LEFT($" + columnName(kAccountColumn) + "2,1)");
    }

    // A total's sum of the lines' column c whose account begins with the prefix.
    std::string sumOf(lxw_col_t c, const std::string& prefix) const {
        const std::string last = std::to_string(lastLine_ + 1);
        std::string f = "SUMIF($";
        for (const std::string& part : {columnName(kAccountColumn), std::string("$2:$"), columnName(kAccountColumn),
                                        std::string("$"), last, std::string(",\""), prefix, std::string("*\","),
                                        columnName(c), std::string("$2:"), columnName(c), std::string("$"), last})
            f += part;
        f += ')';
        return f;
    }

    // The totals the overview shows: each class and sub-class, the charges, the produits
    // and the result, as formulas over the lines' accounts, each with its comparison.
    void writeTotals(lxw_row_t row) {
        const lxw_row_t firstClass = row;
        for (const TotalRow& t : totals_.classes)
            writeTotal(row++, t, "Classe " + t.code, nullptr, amount_, [&](lxw_col_t c) { return sumOf(c, t.code); });
        if (sheet_.withActuals && row > firstClass)
            markWorse(firstClass, row - 1, "LEFT($" + columnName(kAccountColumn) + std::to_string(firstClass + 1) + ",1)");
        const lxw_row_t charges = row;
        writeTotal(row++, totals_.charges, "", bold_, boldAmount_, [&](lxw_col_t c) { return sumOf(c, "6"); });
        const lxw_row_t produits = row;
        writeTotal(row++, totals_.produits, "", bold_, boldAmount_, [&](lxw_col_t c) { return sumOf(c, "7"); });
        writeTotal(row, totals_.result, "", bold_, boldAmount_,
                   [&](lxw_col_t c) { return cellName(c, produits) + "-" + cellName(c, charges); });
        if (sheet_.withActuals) {
            markWorse(charges, charges, "charges");
            markWorse(produits, row, "produits");   // a result below its budget is the worse one
        }
    }

    template <class SumAt>
    void writeTotal(lxw_row_t row, const TotalRow& t, const std::string& name, lxw_format* text, lxw_format* number,
                    SumAt&& sumAt) {
        if (!t.code.empty())
            worksheet_write_string(ws_, row, kAccountColumn, t.code.c_str(), text);
        worksheet_write_string(ws_, row, kLabelColumn, (t.label.empty() ? name : t.label).c_str(), text);
        for (lxw_col_t c = kTotalColumn; c <= lastPeriod_; ++c) {
            const Currency value = c == kTotalColumn ? t.total : t.periods[c - kFirstPeriod];
            worksheet_write_formula_num(ws_, row, c, formula({sumAt(c)}).c_str(), number, asNumber(value));
        }
        // The actuals of a total are the accounts' own, each counted once: a grouping
        // line and a detailed line under it hold the same postings, which a sum of the
        // lines would count twice.
        if (sheet_.withActuals) {
            std::vector<std::optional<Currency>> periods(t.periods.begin(), t.periods.end());
            writeComparison(row, t.total, t.actualTotal, periods, t.actualPeriods, number);
        }
    }

    lxw_workbook* book_;
    lxw_worksheet* ws_ = nullptr;
    const BudgetSheet& sheet_;
    const BudgetTotals& totals_;
    lxw_col_t lastPeriod_;
    lxw_row_t lastLine_ = 0;
    std::vector<double> widths_;
    lxw_format *amount_ = nullptr, *percent_ = nullptr, *bold_ = nullptr, *boldAmount_ = nullptr;
    lxw_format *worseAmount_ = nullptr, *worsePercent_ = nullptr;
};

}  // namespace

void writeBudgetXlsx(const BudgetSheet& sheet, const BudgetTotals& totals, const std::string& path) {
    std::unique_ptr<lxw_workbook, lxw_error (*)(lxw_workbook*)> book(workbook_new(path.c_str()), workbook_close);
    if (!book)
        throw std::runtime_error("impossible de créer " + path);
    SheetWriter(book.get(), sheet, totals).write();
    if (workbook_close(book.release()) != LXW_NO_ERROR)
        throw std::runtime_error("impossible d'écrire " + path);
}

}  // namespace ondrel
