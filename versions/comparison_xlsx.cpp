#include <algorithm>
#include <memory>
#include <stdexcept>

#include <xlsxwriter.h>

#include "screen/utf8_text.h"
#include "sheets/comparison.h"
#include "sheets/xlsx_cells.h"
#include "versions/version_comparison.h"

namespace ondrel {

namespace {

constexpr lxw_col_t kLeftTotal = 3, kRightTotal = 4, kDifference = 5, kPercent = 6, kFirstMonth = 7;

// The two sides' months as numbers, every difference as a formula over them, so that
// the sheet stays right as someone edits a side.
class ComparisonWriter {
public:
    ComparisonWriter(lxw_workbook* book, const SheetComparison& c)
        : c_(c), n_(static_cast<lxw_col_t>(c.periodLabels.size())), formats_(sheetFormats(book)) {
        ws_ = workbook_add_worksheet(book, ("Comparaison " + c.entity + " " + c.year).c_str());
    }

    void write() {
        writeHeader();
        lxw_row_t row = 1;
        for (const auto& line : c_.lines)
            writeRow(row++, line, line.code, lineChange(line), nullptr);
        ++row;
        for (const auto& total : c_.classes)
            writeRow(row++, total, total.code, "", nullptr);
        for (const auto* total : {&c_.charges, &c_.produits, &c_.result})
            writeRow(row++, *total, "", "", formats_.bold);
    }

private:
    void writeHeader() {
        std::vector<std::string> header{"Compte", "Libellé", "Modification", c_.leftName, c_.rightName, "Écart", "Écart %"};
        for (const auto& name : {c_.leftName, c_.rightName, std::string("Écart")})
            for (const auto& month : c_.periodLabels)
                header.push_back(name + " : " + month);
        for (lxw_col_t col = 0; col < header.size(); ++col)
            worksheet_write_string(ws_, 0, col, header[col].c_str(), formats_.bold);
        worksheet_freeze_panes(ws_, 1, 2);
        worksheet_set_column(ws_, 0, 0, 13, nullptr);
        worksheet_set_column(ws_, 1, 1, 42, nullptr);
        worksheet_set_column(ws_, 2, 2, 14, nullptr);
        for (lxw_col_t col = kLeftTotal; col < header.size(); ++col)
            worksheet_set_column(ws_, col, col, std::max<double>(15, static_cast<double>(charCount(header[col])) + 2), nullptr);
        worksheet_set_landscape(ws_);
        worksheet_set_paper(ws_, kPaperA4);
        worksheet_repeat_rows(ws_, 0, 0);
        worksheet_repeat_columns(ws_, 0, 1);
        worksheet_set_print_scale(ws_, 75);   // pages across, each a size that reads
    }

    void writeRow(lxw_row_t row, const ComparedRow& r, const std::string& code, const std::string& change,
                  lxw_format* text) {
        if (!code.empty())
            worksheet_write_string(ws_, row, 0, code.c_str(), text);
        worksheet_write_string(ws_, row, 1, r.label.c_str(), text);
        if (!change.empty())
            worksheet_write_string(ws_, row, 2, change.c_str(), nullptr);
        worksheet_write_number(ws_, row, kLeftTotal, asNumber(r.leftTotal), formats_.amount);
        worksheet_write_number(ws_, row, kRightTotal, asNumber(r.rightTotal), formats_.amount);
        writeDifference(row, kDifference, kLeftTotal, kRightTotal, variance(r.leftTotal, r.rightTotal));
        const std::string ratio = formula({"IF(N(", cellName(kLeftTotal, row), ")=0,\"\",", cellName(kDifference, row), "/",
                                           cellName(kLeftTotal, row), "*100)"});
        if (const auto percent = variancePercent(r.leftTotal, r.rightTotal))
            worksheet_write_formula_num(ws_, row, kPercent, ratio.c_str(), formats_.percent, *percent);
        else
            worksheet_write_formula_str(ws_, row, kPercent, ratio.c_str(), formats_.percent, "");
        for (lxw_col_t p = 0; p < n_; ++p) {
            worksheet_write_number(ws_, row, kFirstMonth + p, asNumber(r.left[p]), formats_.amount);
            worksheet_write_number(ws_, row, kFirstMonth + n_ + p, asNumber(r.right[p]), formats_.amount);
            writeDifference(row, kFirstMonth + 2 * n_ + p, kFirstMonth + p, kFirstMonth + n_ + p,
                            variance(r.left[p], r.right[p]));
        }
    }

    void writeDifference(lxw_row_t row, lxw_col_t at, lxw_col_t left, lxw_col_t right, Currency value) {
        const std::string f = formula({cellName(right, row), "-", cellName(left, row)});
        worksheet_write_formula_num(ws_, row, at, f.c_str(), formats_.amount, asNumber(value));
    }

    const SheetComparison& c_;
    lxw_col_t n_;
    const SheetFormats formats_;
    lxw_worksheet* ws_ = nullptr;
};

}  // namespace

void writeComparisonXlsx(const SheetComparison& comparison, const std::string& path) {
    std::unique_ptr<lxw_workbook, lxw_error (*)(lxw_workbook*)> book(workbook_new(path.c_str()), workbook_close);
    if (!book)
        throw std::runtime_error("impossible de créer " + path);
    ComparisonWriter(book.get(), comparison).write();
    if (workbook_close(book.release()) != LXW_NO_ERROR)
        throw std::runtime_error("impossible d'écrire " + path);
}

}  // namespace ondrel
