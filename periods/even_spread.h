#pragma once

#include <vector>

#include "budget/currency.h"

namespace ondrel {

// The amount spread over n periods: each share the quotient cut down to whole
// cents, the last period taking what the others leave.
std::vector<Currency> spreadEvenly(Currency amount, int periods);

}  // namespace ondrel
