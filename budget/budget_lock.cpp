#include "budget/budget_lock.h"

#include "data/suite_files.h"
#include "platform/date_conversion.h"

namespace ondrel {

std::string lockKey(const std::string& yearCode, const std::string& entity) {
    return yearCode + entity;
}

std::optional<BudgetLock> budgetLock(Database& db, const std::string& yearCode, const std::string& entity) {
    const std::string key = lockKey(yearCode, entity);
    const auto record = db.read(kLocksFile, key);
    if (!record)
        return std::nullopt;
    BudgetLock lock{record->value(1, 1), record->value(2, 1), {}, {}};
    const auto revisions = db.history(kLocksFile, key);
    if (!revisions.empty()) {
        lock.by = revisions.back().author;
        lock.at = momentText(revisions.back().at);
    }
    return lock;
}

std::string lockRefusal(const BudgetLock& lock) {
    return "Ce budget est validé (version « " + lock.version + " », le " + lock.at + " par " + lock.by +
           ") : il ne se modifie plus. Un valideur peut en ouvrir la révision.";
}

std::string lockCaption(const BudgetLock& lock) {
    return "Validé le " + lock.at + " par " + lock.by + " : « " + lock.version + " »";
}

}  // namespace ondrel
