#pragma once

namespace ondrel {

// The nine files of the screen, in the order in which the control opens them.
enum class SuiteFile { Association, Budget, BudgetCles, Classe, ParamEntiteCompta, PlanComptable, SClasse, SSClasse, Tables };

inline constexpr const char* kSuiteFiles[] = {"ASSOCIATION", "BUDGET",   "BUDGETCLES", "CLASSE", "PARAMENTITECOMPTA",
                                              "PLANCOMPTABLE", "SCLASSE", "SSCLASSE",   "TABLES"};

// Files of our own beside the suite's, for the budget cycle: the validated years'
// locks, the notes of the working budget's lines, the versions and their lines.
inline constexpr const char* kLocksFile = "VERROUS";
inline constexpr const char* kNotesFile = "NOTES";
inline constexpr const char* kVersionsFile = "VERSIONS";
inline constexpr const char* kVersionLinesFile = "VERSIONLIGNES";

}  // namespace ondrel
