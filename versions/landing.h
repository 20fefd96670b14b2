#pragma once

#include <string>

#include "versions/versions.h"

namespace ondrel {

// What follows the actuals in a landing, month by month after the last month closed.
struct Remainder {
    enum class Kind { Budget, Even, Profile } kind = Kind::Budget;
    std::string profile{};           // of Kind::Profile: the entity's profile by that name
    bool negativeAllowed = false;    // a remainder below zero is kept, not taken as zero
};

// Where the year will land at the end of the month `through` ("2027-06"), line by line:
// the actuals of the months up to it, then, for the months after, the budget as it
// stands, or the remainder of the year's budget (its total less the actuals to date,
// zero when below zero unless asked) spread evenly to the cent or by the profile's
// shares of those months. Accounts with actuals and no line come in as lines of their
// own. Refused, in French, for a month outside the year, an unknown profile and months
// without any actual.
BudgetSheet landingSheet(Database& db, const std::string& entity, const std::string& year, const std::string& through,
                         const Remainder& remainder);

// "Réalisé jusqu'à juin 2027, puis le reste du budget réparti également".
std::string landingDescription(const std::string& closedMonth, const Remainder& remainder);

// The landing kept as a version of the year, under the name given.
Version saveLanding(Database& db, const std::string& entity, const std::string& year, const std::string& through,
                    const Remainder& remainder, const std::string& name);

}  // namespace ondrel
