#pragma once

#include <string>

namespace ondrel {

// The pattern "mmmm yyyy" of the French locale: "janvier 2027".
std::string formatMonthYear(int month, int year);

}  // namespace ondrel
