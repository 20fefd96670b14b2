#include "sheets/budget_sheet.h"

#include <stdexcept>

#include "budget/budget_key.h"
#include "data/data_error.h"
#include "data/request.h"
#include "budget/stored_distribution.h"
#include "periods/calendar_walk.h"
#include "platform/date_conversion.h"

namespace ondrel {

// The two dates of the year in the PARAMENTITECOMPTA record: fields 1 and 2 for N, 3 and 4 for N+1.
std::vector<Period> fiscalPeriods(Database& db, const std::string& entity, const std::string& year) {
    auto record = db.read("PARAMENTITECOMPTA", entity);
    if (!record)
        throw std::runtime_error("l'entité " + entity + " n'a pas d'exercice enregistré");
    const int first = year == "N" ? 1 : 3;
    return walkFiscalYear(DateToText(record->value(first, 1)), DateToText(record->value(first + 1, 1)));
}

std::vector<std::string> budgetSheetHeader(const BudgetSheet& sheet) {
    std::vector<std::string> header{"Entité", "Exercice", "Compte", "Libellé", "Clé", "Total"};
    header.insert(header.end(), sheet.periodLabels.begin(), sheet.periodLabels.end());
    return header;
}

BudgetSheet readBudgetSheet(Database& db, const std::string& entity, const std::string& year) {
    if (year != "N" && year != "N+1")
        throw std::runtime_error("l'exercice est N ou N+1, pas « " + year + " »");
    if (!db.read("ASSOCIATION", entity))
        throw std::runtime_error("l'entité " + entity + " n'existe pas");
    BudgetSheet sheet;
    sheet.entity = entity;
    sheet.year = year;
    for (const Period& p : fiscalPeriods(db, entity, year))
        sheet.periodLabels.push_back(p.label);

    const std::string prefix = yearCodeFor(year) + entity;
    Request q;
    q.set(1, "SSELECT BUDGET AVEC 0 = \"" + prefix + "]\" 0 PAR 0");
    q.set(2, "BUDGET");
    q.set(3, "0");
    const ResultTable keys = db.RunSelect(q.text());
    for (const auto& row : keys.rows()) {
        const Record r = *db.read("BUDGET", row[0]);
        BudgetSheet::Line line;
        line.account = row[0].substr(prefix.size());
        line.label = r.value(1, 1);
        line.key = r.value(4, 1);
        line.revision = r.revision();
        line.periods.resize(sheet.periodLabels.size());
        const StoredDistribution stored = storedDistribution(r);
        if (!stored.unreadable.empty())
            throw std::runtime_error("la ligne " + line.account + " porte une répartition illisible (" + stored.unreadable +
                                     ")");
        for (const auto& [index, amount] : stored.periods) {
            if (static_cast<std::size_t>(index) >= line.periods.size())
                throw std::runtime_error("la ligne " + line.account + " porte une période hors de l'exercice " + year);
            line.periods[index] = line.periods[index].value_or(Currency::zero()) + amount;
            line.total += amount;
        }
        sheet.lines.push_back(std::move(line));
    }
    return sheet;
}

}  // namespace ondrel
