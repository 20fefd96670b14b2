#pragma once

#include <string>

#include "store/database.h"

namespace ondrel::bench {

inline constexpr int kEntities = 200;
inline constexpr int kAccountsPerEntity = 2500;   // two year codes each: 5,000 budget lines an entity
inline constexpr int kChartPerEntity = 500;

std::string entityCode(int e);
// The account of line i of an entity: 60, four digits of i, zeros.
std::string accountNumber(int i);
// Room for 100,000 accounts of one entity: 6, five digits of i, zeros.
std::string wideAccountNumber(int i);
std::string budgetLabel(int e, int i);

// A statement run beside the data service, on a connection of its own.
void runRaw(const std::string& location, const std::string& sql);

// Builds the benchmark database at path, a file or a server database, unless it is
// already there; returns the seconds spent.
double ensureBenchDatabase(const std::string& path);

}  // namespace ondrel::bench
