#pragma once

#include <string>

namespace ondrel {

// "N0" for the current fiscal year "N", "N1" for any other choice.
std::string yearCodeFor(const std::string& fiscalYear);
// Year code, entity code and account number, joined.
std::string budgetKey(const std::string& yearCode, const std::string& entity, const std::string& account);

}  // namespace ondrel
