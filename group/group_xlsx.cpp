#include <stdexcept>

#include <xlsxwriter.h>

#include "group/group_csv.h"
#include "screen/utf8_text.h"
#include "sheets/xlsx_cells.h"

namespace ondrel {

namespace {

constexpr lxw_col_t kAccountColumn = 0;
constexpr lxw_col_t kLabelColumn = 1;
constexpr lxw_col_t kTotalColumn = 2;
constexpr lxw_col_t kFirstMonth = 3;
constexpr uint16_t kPrintScale = 75;

// The group's year: a row an account, its months and each entity's part as numbers,
// the eliminated part and the group's total as formulas over them; below a blank row
// the subtotals, the charges, the produits and the result, each a formula that leaves
// the eliminated rows out, so that the sheet stays right as someone edits it.
class GroupSheetWriter {
public:
    GroupSheetWriter(lxw_workbook* book, const GroupView& view)
        : book_(book), view_(view), formats_(sheetFormats(book)),
          firstEntity_(static_cast<lxw_col_t>(kFirstMonth + view.months.size())),
          eliminations_(static_cast<lxw_col_t>(firstEntity_ + view.members.size())) {
        ws_ = workbook_add_worksheet(book, ("Groupe " + view.year).c_str());
    }

    void write() {
        const auto header = groupSheetHeader(view_);
        // The group's own columns first, as the CSV has them after its fixed ones.
        for (lxw_col_t c = 0; c < header.size() - 2; ++c)
            worksheet_write_string(ws_, 0, c, header[c + 2].c_str(), formats_.bold);
        worksheet_freeze_panes(ws_, 1, kLabelColumn + 1);
        worksheet_set_column(ws_, kAccountColumn, kAccountColumn, 13, nullptr);
        worksheet_set_column(ws_, kLabelColumn, kLabelColumn, 42, nullptr);
        worksheet_set_column(ws_, kTotalColumn, eliminations_, 15, nullptr);
        worksheet_set_paper(ws_, kPaperA4);
        worksheet_set_landscape(ws_);
        worksheet_repeat_rows(ws_, 0, 0);
        worksheet_repeat_columns(ws_, kAccountColumn, kLabelColumn);
        worksheet_set_print_scale(ws_, kPrintScale);
        lxw_row_t row = 1;
        for (const auto& r : view_.rows)
            writeRow(row++, r);
        last_ = row - 1;
        writeTotals(row + 1);
    }

private:
    std::string entities(lxw_row_t row) const {
        return cellName(firstEntity_, row) + ":" + cellName(eliminations_ - 1, row);
    }

    void writeRow(lxw_row_t row, const GroupRow& r) {
        worksheet_write_string(ws_, row, kAccountColumn, r.account.c_str(), nullptr);
        worksheet_write_string(ws_, row, kLabelColumn, r.label.c_str(), nullptr);
        for (std::size_t m = 0; m < r.months.size(); ++m)
            worksheet_write_number(ws_, row, static_cast<lxw_col_t>(kFirstMonth + m), asNumber(r.months[m]), formats_.amount);
        for (std::size_t e = 0; e < r.byEntity.size(); ++e)
            worksheet_write_number(ws_, row, static_cast<lxw_col_t>(firstEntity_ + e), asNumber(r.byEntity[e]),
                                   formats_.amount);
        if (r.eliminated) {
            const std::string sum = formula({"SUM(", entities(row), ")"});
            worksheet_write_formula_num(ws_, row, eliminations_, sum.c_str(), formats_.amount, asNumber(r.total));
        }
        const std::string total = formula({"SUM(", entities(row), ")-N(", cellName(eliminations_, row), ")"});
        worksheet_write_formula_num(ws_, row, kTotalColumn, total.c_str(), formats_.amount,
                                    asNumber(r.eliminated ? Currency::zero() : r.total));
        if (!r.labels.empty()) {
            std::string labels;
            for (const auto& l : r.labels)
                labels += (labels.empty() ? "" : " | ") + l;
            worksheet_write_string(ws_, row, eliminations_ + 1, labels.c_str(), nullptr);
        }
    }

    // A column's sum over the rows of accounts that begin with the code, the
    // eliminated ones left out.
    std::string sumUnder(lxw_col_t column, const std::string& code) const {
        const auto range = [&](lxw_col_t c) {
            const std::string letters = columnName(c);
            return "$" + letters + "$2:$" + letters + "$" + std::to_string(last_ + 1);
        };
        const std::string amounts = columnName(column) + "$2:" + columnName(column) + "$" + std::to_string(last_ + 1);
        return formula({"SUMIFS(", amounts, ",", range(kAccountColumn), ",\"", code, "*\",", range(eliminations_), ",\"\")"});
    }

    void writeTotalRow(lxw_row_t row, const std::string& code, const std::string& label, const std::string& sumOf,
                       const TotalRow& values) {
        worksheet_write_string(ws_, row, kAccountColumn, code.c_str(), formats_.bold);
        worksheet_write_string(ws_, row, kLabelColumn, label.c_str(), formats_.bold);
        for (lxw_col_t c = kTotalColumn; c < eliminations_; ++c) {
            double cached = 0;
            if (c == kTotalColumn)
                cached = asNumber(values.total);
            else if (c < firstEntity_)
                cached = asNumber(values.periods[c - kFirstMonth]);
            else
                cached = asNumber(sumOf.empty() ? entityPart("7", c) - entityPart("6", c) : entityPart(sumOf, c));
            const std::string f = sumOf.empty() ? resultFormula(c, row) : sumUnder(c, sumOf);
            worksheet_write_formula_num(ws_, row, c, f.c_str(), formats_.amount, cached);
        }
    }

    // An entity's part of the rows under the code, as the formula adds it.
    Currency entityPart(const std::string& code, lxw_col_t column) const {
        Currency sum = Currency::zero();
        for (const auto& r : view_.rows)
            if (!r.eliminated && r.account.starts_with(code))
                sum += r.byEntity[column - firstEntity_];
        return sum;
    }

    std::string resultFormula(lxw_col_t column, lxw_row_t row) const {
        return formula({cellName(column, row - 1), "-", cellName(column, row - 2)});
    }

    void writeTotals(lxw_row_t row) {
        for (const auto& t : view_.totals.classes)
            writeTotalRow(row++, t.code, t.label, t.code, t);
        writeTotalRow(row++, "", view_.totals.charges.label, "6", view_.totals.charges);
        writeTotalRow(row++, "", view_.totals.produits.label, "7", view_.totals.produits);
        writeTotalRow(row++, "", view_.totals.result.label, "", view_.totals.result);
        worksheet_write_string(ws_, row, kLabelColumn, "Éliminations (hors totaux)", formats_.bold);
        const std::string all = formula({"SUM(", cellName(eliminations_, 1), ":", cellName(eliminations_, last_), ")"});
        worksheet_write_formula_num(ws_, row, eliminations_, all.c_str(), formats_.amount, asNumber(view_.eliminated));
    }

    lxw_workbook* book_;
    const GroupView& view_;
    SheetFormats formats_;
    lxw_worksheet* ws_ = nullptr;
    lxw_col_t firstEntity_, eliminations_;
    lxw_row_t last_ = 0;
};

}  // namespace

void writeGroupXlsx(const GroupView& view, const std::string& path) {
    lxw_workbook* book = workbook_new(path.c_str());
    if (!book)
        throw std::runtime_error("le fichier « " + path + " » ne peut pas être écrit");
    GroupSheetWriter(book, view).write();
    if (workbook_close(book) != LXW_NO_ERROR)
        throw std::runtime_error("le fichier « " + path + " » n'a pas pu être écrit");
}

}  // namespace ondrel
