#include "sheets/budget_totals.h"

#include <map>

namespace ondrel {

namespace {

TotalRow emptyRow(std::string code, std::string label, std::size_t periods) {
    return {std::move(code), std::move(label), std::vector<Currency>(periods, Currency::zero()), Currency::zero(),
            std::vector<Currency>(periods, Currency::zero()), Currency::zero()};
}

void addActual(TotalRow& row, const std::vector<Currency>& periods) {
    for (std::size_t p = 0; p < periods.size(); ++p) {
        row.actualPeriods[p] += periods[p];
        row.actualTotal += periods[p];
    }
}

void add(TotalRow& row, const BudgetSheet::Line& line) {
    for (std::size_t p = 0; p < line.periods.size(); ++p)
        row.periods[p] += line.periods[p].value_or(Currency::zero());
    row.total += line.total;
}

std::string classLabel(Database& db, const std::string& code) {
    auto record = db.read(code.size() == 1 ? "CLASSE" : "SCLASSE", code);
    return record ? record->value(1, 1) : std::string();
}

}  // namespace

BudgetTotals totalsOf(Database& db, const BudgetSheet& sheet) {
    const std::size_t n = sheet.periodLabels.size();
    std::map<std::string, TotalRow> byCode;   // "6" sorts before "60", "61" before "7"
    BudgetTotals totals{{}, emptyRow("", "Total des charges", n), emptyRow("", "Total des produits", n),
                        emptyRow("", "Résultat", n)};
    for (const auto& line : sheet.lines) {
        for (std::size_t digits : {1u, 2u}) {
            const std::string code = line.account.substr(0, digits);
            auto [it, added] = byCode.try_emplace(code, emptyRow(code, "", n));
            if (added)
                it->second.label = classLabel(db, code);
            add(it->second, line);
        }
        if (line.account[0] == '6')
            add(totals.charges, line);
        else if (line.account[0] == '7')
            add(totals.produits, line);
    }
    // The actuals from the accounts themselves: a grouping line and a detailed line under
    // it take the same postings, which count once in a total.
    for (const auto& [account, periods] : sheet.actuals) {
        for (std::size_t digits : {1u, 2u})
            if (auto it = byCode.find(account.substr(0, digits)); it != byCode.end())
                addActual(it->second, periods);
        if (account[0] == '6')
            addActual(totals.charges, periods);
        else if (account[0] == '7')
            addActual(totals.produits, periods);
    }
    for (auto& [code, row] : byCode)
        totals.classes.push_back(std::move(row));
    for (std::size_t p = 0; p < n; ++p) {
        totals.result.periods[p] = totals.produits.periods[p] - totals.charges.periods[p];
        totals.result.actualPeriods[p] = totals.produits.actualPeriods[p] - totals.charges.actualPeriods[p];
    }
    totals.result.total = totals.produits.total - totals.charges.total;
    totals.result.actualTotal = totals.produits.actualTotal - totals.charges.actualTotal;
    return totals;
}

}  // namespace ondrel
