#pragma once

namespace ondrel {

// The nine files of the screen, in the order in which the control opens them.
enum class SuiteFile { Association, Budget, BudgetCles, Classe, ParamEntiteCompta, PlanComptable, SClasse, SSClasse, Tables };

inline constexpr const char* kSuiteFiles[] = {"ASSOCIATION", "BUDGET",   "BUDGETCLES", "CLASSE", "PARAMENTITECOMPTA",
                                              "PLANCOMPTABLE", "SCLASSE", "SSCLASSE",   "TABLES"};

}  // namespace ondrel
