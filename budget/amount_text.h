#pragma once

#include <string>

namespace ondrel {

// The pattern "0.00" applied to the text of an amount zone: an amount gives its
// amount text ("1234,5" gives "1234,50"); any other text comes back unchanged.
// Raises CurrencyOverflow for a number too large to be an amount.
std::string amountTextOf(const std::string& text);

}  // namespace ondrel
