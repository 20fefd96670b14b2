#pragma once

#include <string>

namespace ondrel {

// A line of Lst_RepartPer: the period label in 50 characters, then the amount
// text right-aligned in 15.
std::string periodLine(const std::string& label, const std::string& amountText);
// The amount text of a line: its characters from position 54 to the end,
// with the blanks that may precede it.
std::string periodLineAmount(const std::string& line);

}  // namespace ondrel
