// actuals: what was actually spent, from the FEC; the budget against it; the seasonal
// profiles. Stands on sheets; reaches down to the store for its own records, REALISE and
// PROFILS, which the screen never reads.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "budget/currency.h"
#include "store/database.h"

namespace ondrel {

// What was actually spent and earned, from the entity's FEC: per account of classes 6
// and 7 and per period of the fiscal year, charges as debit − credit and produits as
// credit − debit. Kept in a file of ours, REALISE, beside the budget: the key is the
// budget's (year code, entity, account completed to ten digits), field 1 the period
// indexes and field 2 the sums in hundredths.
inline constexpr const char* kActualsFile = "REALISE";

struct ActualsImport {
    int postings = 0;                 // lines of entries (postings) of the file
    int counted = 0;                  // of classes 6 and 7
    std::map<std::string, int> accountsByYear;   // "N": accounts written
    std::vector<std::string> faults;  // every malformed line; then nothing is written
};

// Reads the FEC and replaces the actuals of each fiscal year (N, N+1) it covers, all
// in one transaction: a single malformed line, and nothing is written. CheckOnly says
// what a write would do, and writes nothing.
enum class ActualsRun { Write, CheckOnly };
ActualsImport importActuals(Database& db, const std::string& entity, std::istream& fec, ActualsRun run = ActualsRun::Write);

// The actuals of a year: account → one amount a period of the year.
std::map<std::string, std::vector<Currency>> readActuals(Database& db, const std::string& entity,
                                                         const std::string& year);

}  // namespace ondrel
