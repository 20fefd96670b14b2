#include "versions/version_comparison.h"

#include <map>
#include <ostream>

#include "sheets/budget_totals.h"
#include "sheets/comparison.h"
#include "sheets/csv_cells.h"

namespace ondrel {

namespace {

std::vector<Currency> monthsOf(const BudgetSheet::Line& line) {
    std::vector<Currency> months;
    for (const auto& amount : line.periods)
        months.push_back(amount.value_or(Currency::zero()));
    return months;
}

ComparedRow totalRow(const TotalRow* left, const TotalRow* right, std::size_t periods) {
    const TotalRow& named = right ? *right : *left;
    ComparedRow row{named.code, named.label, std::vector<Currency>(periods, Currency::zero()),
                    std::vector<Currency>(periods, Currency::zero()), Currency::zero(), Currency::zero()};
    if (left) {
        row.left = left->periods;
        row.leftTotal = left->total;
    }
    if (right) {
        row.right = right->periods;
        row.rightTotal = right->total;
    }
    return row;
}

// The classes of both sides, in code order, each once.
std::vector<ComparedRow> compareClasses(const BudgetTotals& left, const BudgetTotals& right, std::size_t periods) {
    std::map<std::string, std::pair<const TotalRow*, const TotalRow*>> byCode;
    for (const auto& t : left.classes)
        byCode[t.code].first = &t;
    for (const auto& t : right.classes)
        byCode[t.code].second = &t;
    std::vector<ComparedRow> rows;
    for (const auto& [code, sides] : byCode)
        rows.push_back(totalRow(sides.first, sides.second, periods));
    return rows;
}

std::string sideHeading(const std::string& name, const std::string& what) {
    return name + " : " + what;
}

std::string percentOf(const ComparedRow& row) {
    return percentText(variancePercent(row.leftTotal, row.rightTotal));
}

}  // namespace

SheetComparison compareSheets(Database& db, const std::string& leftName, const BudgetSheet& left,
                              const std::string& rightName, const BudgetSheet& right) {
    SheetComparison c{left.entity, left.year, leftName, rightName, left.periodLabels, {}, {}, {}, {}, {}};
    const std::size_t periods = left.periodLabels.size();
    const std::vector<Currency> none(periods, Currency::zero());
    std::map<std::string, std::pair<const BudgetSheet::Line*, const BudgetSheet::Line*>> byAccount;
    for (const auto& line : left.lines)
        byAccount[line.account].first = &line;
    for (const auto& line : right.lines)
        byAccount[line.account].second = &line;
    for (const auto& [account, sides] : byAccount) {
        const auto* l = sides.first;
        const auto* r = sides.second;
        ComparedRow row{account, (r ? r : l)->label, l ? monthsOf(*l) : none, r ? monthsOf(*r) : none,
                        l ? l->total : Currency::zero(), r ? r->total : Currency::zero()};
        row.onLeft = l != nullptr;
        row.onRight = r != nullptr;
        row.leftLabel = l ? l->label : "";
        row.rightLabel = r ? r->label : "";
        row.leftKey = l ? l->key : "";
        row.rightKey = r ? r->key : "";
        row.note = (r ? r : l)->note;
        c.lines.push_back(std::move(row));
    }
    const BudgetTotals leftTotals = totalsOf(db, left);
    const BudgetTotals rightTotals = totalsOf(db, right);
    c.classes = compareClasses(leftTotals, rightTotals, periods);
    c.charges = totalRow(&leftTotals.charges, &rightTotals.charges, periods);
    c.produits = totalRow(&leftTotals.produits, &rightTotals.produits, periods);
    c.result = totalRow(&leftTotals.result, &rightTotals.result, periods);
    return c;
}

std::string lineChange(const ComparedRow& line) {
    if (!line.onLeft)
        return "ajoutée";
    if (!line.onRight)
        return "supprimée";
    std::string change;
    if (line.leftLabel != line.rightLabel)
        change = "libellé";
    if (line.leftKey != line.rightKey)
        change += change.empty() ? "clé" : ", clé";
    return change;
}

void writeComparisonCsv(const SheetComparison& c, std::ostream& out) {
    out << "\xEF\xBB\xBF";
    std::vector<std::string> header{"entité", "exercice", "compte", "libellé", "modification",
                                    sideHeading(c.leftName, "total"), sideHeading(c.rightName, "total"),
                                    "écart", "écart %"};
    for (const auto& name : {c.leftName, c.rightName})
        for (const auto& month : c.periodLabels)
            header.push_back(sideHeading(name, month));
    for (const auto& month : c.periodLabels)
        header.push_back(sideHeading("écart", month));
    writeCsvRecord(out, header);
    auto write = [&](const ComparedRow& row, const std::string& code, const std::string& change) {
        std::vector<std::string> cells{keptAsText(c.entity), c.year, asSpreadsheetText(code),
                                       asSpreadsheetText(row.label), change, formatAmount(row.leftTotal),
                                       formatAmount(row.rightTotal), formatAmount(variance(row.leftTotal, row.rightTotal)),
                                       percentOf(row)};
        for (const auto* side : {&row.left, &row.right})
            for (const Currency& amount : *side)
                cells.push_back(formatAmount(amount));
        for (std::size_t p = 0; p < row.left.size(); ++p)
            cells.push_back(formatAmount(variance(row.left[p], row.right[p])));
        writeCsvRecord(out, cells);
    };
    for (const auto& line : c.lines)
        write(line, line.code, lineChange(line));
    for (const auto& total : c.classes)
        write(total, total.code, "");
    for (const auto* total : {&c.charges, &c.produits, &c.result})
        write(*total, "", "");
}

}  // namespace ondrel
