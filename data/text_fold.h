#pragma once

#include <string>

namespace ondrel {

// Case folding for matches that ignore letter case, accented letters included:
// "Fournitures", "FOURNITURES" and "fournitures" fold alike, and so do "É" and "é".
std::string foldCase(const std::string& utf8);
// Upper case, as the label search writes the typed text.
std::string upperCase(const std::string& utf8);

}  // namespace ondrel
