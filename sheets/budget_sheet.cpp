#include "sheets/budget_sheet.h"

#include <stdexcept>

#include "budget/budget_key.h"
#include "budget/line_note.h"
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

BudgetSheet::Line sheetLine(const Record& r, const std::string& prefix, const BudgetSheet& sheet) {
    BudgetSheet::Line line;
    line.account = r.key().substr(prefix.size());
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
            throw std::runtime_error("la ligne " + line.account + " porte une période hors de l'exercice " + sheet.year);
        line.periods[index] = line.periods[index].value_or(Currency::zero()) + amount;
        line.total += amount;
    }
    return line;
}

BudgetSheet emptyBudgetSheet(Database& db, const std::string& entity, const std::string& year) {
    if (year != "N" && year != "N+1")
        throw std::runtime_error("l'exercice est N ou N+1, pas « " + year + " »");
    if (!db.read("ASSOCIATION", entity))
        throw std::runtime_error("l'entité " + entity + " n'existe pas");
    BudgetSheet sheet;
    sheet.entity = entity;
    sheet.year = year;
    for (const Period& p : fiscalPeriods(db, entity, year))
        sheet.periodLabels.push_back(p.label);
    return sheet;
}

BudgetSheet readBudgetSheet(Database& db, const std::string& entity, const std::string& year) {
    BudgetSheet sheet = emptyBudgetSheet(db, entity, year);
    const std::string prefix = yearCodeFor(year) + entity;
    const auto notes = readNotes(db, prefix);
    db.forEachRecord("BUDGET", [&](const Record& r) {
        sheet.lines.push_back(sheetLine(r, prefix, sheet));
        if (const auto note = notes.find(r.key()); note != notes.end())
            sheet.lines.back().note = note->second;
    }, prefix);
    return sheet;
}

}  // namespace ondrel
