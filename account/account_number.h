// account: typing and looking up the budget account, its creation rules and its picker
// (handlers of Crt_Ondrel), and account numbers. Stands on control.
#pragma once

#include <string>
#include <vector>

#include "data/suite_files.h"

namespace ondrel {

inline constexpr std::size_t kAccountLength = 10;
// Chart and class labels are shown cut to their first 40 characters.
inline constexpr std::size_t kLabelLength = 40;

// The number without its trailing zeros: 6061000000 gives 6061, 7000000000 gives 7.
std::string significantPrefix(const std::string& number);
// 1 to 3 significant digits: a class, sub-class or sub-sub-class.
bool isGroupingAccount(const std::string& number);
// Characters 4 to 10 all zeros: a grouping account, never looked up in the chart.
bool hasGroupingZeros(const std::string& number);
// The text followed by zeros up to ten characters.
std::string completeWithZeros(const std::string& text);
// The grouping accounts above the number, nearest first: its first 9 digits down to
// its first one, each completed with zeros.
std::vector<std::string> accountsAbove(const std::string& number);
// The class file that holds a grouping prefix of 1, 2 or 3 digits.
SuiteFile classFileFor(const std::string& prefix);
// The chart key: entity code and account number.
std::string chartKey(const std::string& entity, const std::string& account);
// The account number inside a budget key (it begins with its year code "N") or a chart key.
std::string accountOfKey(const std::string& key);

}  // namespace ondrel
