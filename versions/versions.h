// versions: the budget cycle: named versions of a year's budget, their validation and
// revision, their comparison, the landing forecast. Stands on actuals (the forecast
// takes the actuals and the profiles), and so on sheets; reaches down to the store for
// its own files, and to the budget's lock and notes, which the control keeps too.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sheets/budget_sheet.h"

namespace ondrel {

// A frozen copy of a year's budget of an entity: every line with its label, key, months
// and note. A version's head is a record of VERSIONS under the year's code, the
// entity's and its number ("N0001.003"): field 1 its name, 2 its kind, 3 "validée" once
// validated, 4 how a landing was made. Its lines are records of VERSIONLIGNES under its
// key and the account, in the layout of BUDGET, field 5 the note. Who saved and who
// validated it, and when, is the history of its head.
enum class VersionKind { Budget, Landing };

struct Version {
    std::string key;
    std::string name;
    VersionKind kind = VersionKind::Budget;
    std::string description;   // of a landing: the months of actuals and what follows
    std::string savedBy, savedAt;
    bool validated = false;
    std::string validatedBy, validatedAt;   // as momentText writes them
    bool locksYear = false;                 // the year's lock names it
};

inline constexpr std::size_t kVersionNameLength = 60;

// The versions of the entity's year, in the order they were saved.
std::vector<Version> listVersions(Database& db, const std::string& entity, const std::string& year);
// The version of that name (letter case aside); none when there is none.
std::optional<Version> findVersion(Database& db, const std::string& entity, const std::string& year,
                                   const std::string& name);
// The version of that name, or std::runtime_error, in French, saying there is none.
Version versionNamed(Database& db, const std::string& entity, const std::string& year, const std::string& name);

// Saves the working budget of the year, its lines as stored and their notes, as a new
// version, all or nothing. Refused, in French, for a name that is empty, too long,
// holds a control character or is taken, and for a year without lines.
Version saveVersion(Database& db, const std::string& entity, const std::string& year, const std::string& name);
// Saves the lines of a sheet as a new version of the given kind (a landing).
Version saveSheet(Database& db, const BudgetSheet& sheet, const std::string& name, VersionKind kind,
                  const std::string& description);
// The version's lines as a sheet of its year: months, labels, keys and notes as frozen.
BudgetSheet readVersion(Database& db, const std::string& entity, const std::string& year, const Version& version);
// Deletes a version and its lines; refused for a validated one.
void deleteVersion(Database& db, const std::string& entity, const std::string& year, const std::string& name);

// The budget of the year that a name stands for: the version of that name, or the
// working budget for an empty one; and how it is called beside another.
BudgetSheet budgetNamed(Database& db, const std::string& entity, const std::string& year, const std::string& version);
std::string budgetName(const std::string& version);   // "Budget de travail" for an empty one

// "Budget primitif 2027 (validée le 08/12/2026 à 16:02 par marie)".
std::string versionCaption(const Version& version);

}  // namespace ondrel
