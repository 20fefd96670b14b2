#pragma once

#include <optional>
#include <string>

#include "store/database.h"

namespace ondrel {

// A validated year: its working budget is locked, lines and notes, until a validator
// opens its revision. The lock is a record of ours under the year's code and the
// entity's ("N0001"): field 1 the validated version's key, field 2 its name; who
// validated and when is the lock's own history.
struct BudgetLock {
    std::string versionKey;
    std::string version;
    std::string by;
    std::string at;   // as momentText writes it
};

std::string lockKey(const std::string& yearCode, const std::string& entity);
// The lock of the entity's year (yearCode "N0" or "N1"); none while the year is open.
std::optional<BudgetLock> budgetLock(Database& db, const std::string& yearCode, const std::string& entity);
// What the screen and the tools say when they refuse to change a locked year.
std::string lockRefusal(const BudgetLock& lock);
// "Validé le 08/12/2026 à 16:02 par marie : « Budget primitif 2027 »".
std::string lockCaption(const BudgetLock& lock);

}  // namespace ondrel
