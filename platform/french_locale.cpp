#include "platform/french_locale.h"

#include <stdexcept>

namespace ondrel {

std::string formatMonthYear(int month, int year) {
    static const char* const names[] = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                                        "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
    if (month < 1 || month > 12)
        throw std::out_of_range("Il n'y a pas de mois n° " + std::to_string(month) + ".");
    std::string y = std::to_string(year);
    return std::string(names[month - 1]) + " " + std::string(y.size() < 4 ? 4 - y.size() : 0, '0') + y;
}

}  // namespace ondrel
