#include "budget/budget_key.h"

namespace ondrel {

std::string yearCodeFor(const std::string& fiscalYear) {
    return fiscalYear == "N" ? "N0" : "N1";
}

std::string budgetKey(const std::string& yearCode, const std::string& entity, const std::string& account) {
    return yearCode + entity + account;
}

}  // namespace ondrel
