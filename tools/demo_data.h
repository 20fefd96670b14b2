#pragma once

#include <string>

#include "store/database.h"

namespace ondrel {

// The nine files of the screen.
inline constexpr const char* kSuiteFiles[] = {"ASSOCIATION", "BUDGET",   "BUDGETCLES", "CLASSE", "PARAMENTITECOMPTA",
                                              "PLANCOMPTABLE", "SCLASSE", "SSCLASSE",   "TABLES"};

// Fills an empty database with the demo data: three entities, their fiscal years,
// charts, keys and a few budget lines; full rights for owner, read-only for "lecteur".
void writeDemoData(Database& db, const std::string& owner);

}  // namespace ondrel
