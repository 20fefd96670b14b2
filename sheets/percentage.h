#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "budget/currency.h"

namespace ondrel {

// A change of the amounts as a person writes it: "3,5", "-10", "+2", "3.5", with an
// optional "%"; in hundredths of a percent, from -100 % to +1000 %, at most two
// decimals. None for anything else.
std::optional<std::int64_t> parsePercentage(const std::string& text);
// What the person is told of a text that is no such percentage.
std::string notAPercentage(const std::string& text);
// "+3,50 %", "-10,00 %", as the person is shown what will be applied.
std::string percentageText(std::int64_t hundredths);
// The amount in whole cents raised by the percentage (in hundredths of a percent),
// rounded to the cent, halves away from zero.
Currency raisedBy(Currency amount, std::int64_t percentHundredths);

}  // namespace ondrel
