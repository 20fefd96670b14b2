#include "group/group_csv.h"

#include <ostream>

#include "sheets/csv_cells.h"

namespace ondrel {

namespace {

constexpr const char* kEliminations = "Éliminations";

void writeAmounts(std::vector<std::string>& cells, const std::vector<Currency>& amounts) {
    for (const Currency& amount : amounts)
        cells.push_back(formatAmount(amount));
}

}  // namespace

std::vector<std::string> groupSheetHeader(const GroupView& view) {
    std::vector<std::string> header{"Groupe", "Exercice", "Compte", "Libellé", "Total"};
    for (const auto& month : view.months)
        header.push_back(month.label);
    for (const auto& member : view.members)
        header.push_back(member.code);
    header.push_back(kEliminations);
    header.push_back("Libellés des entités");
    return header;
}

void writeGroupCsv(const GroupView& view, std::ostream& out) {
    out << "\xEF\xBB\xBF";
    std::vector<std::string> header = groupSheetHeader(view);
    for (std::size_t c = 5; c < 5 + view.months.size(); ++c)
        header[c] = keptAsText(header[c]);
    for (std::size_t m = 0; m < view.members.size(); ++m)
        header[5 + view.months.size() + m] = keptAsText(header[5 + view.months.size() + m]);
    writeCsvRecord(out, header);
    for (const auto& row : view.rows) {
        std::vector<std::string> cells{asSpreadsheetText(view.group), view.year, asSpreadsheetText(row.account),
                                       asSpreadsheetText(row.label), formatAmount(row.total)};
        writeAmounts(cells, row.months);
        writeAmounts(cells, row.byEntity);
        cells.push_back(row.eliminated ? formatAmount(row.total) : std::string());
        std::string labels;
        for (const auto& label : row.labels)
            labels += (labels.empty() ? "" : " | ") + label;
        cells.push_back(asSpreadsheetText(labels));
        writeCsvRecord(out, cells);
    }
    // The totals below a blank row, as a sheet has them; a row as wide as the header.
    writeCsvRecord(out, std::vector<std::string>(header.size()));
    const auto totalRow = [&](const TotalRow& total) {
        std::vector<std::string> cells{asSpreadsheetText(view.group), view.year, asSpreadsheetText(total.code),
                                       asSpreadsheetText(total.label), formatAmount(total.total)};
        writeAmounts(cells, total.periods);
        cells.resize(header.size());
        writeCsvRecord(out, cells);
    };
    for (const auto& total : view.totals.classes)
        totalRow(total);
    totalRow(view.totals.charges);
    totalRow(view.totals.produits);
    totalRow(view.totals.result);
}

}  // namespace ondrel
