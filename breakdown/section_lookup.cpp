#include "breakdown/section_lookup.h"

namespace ondrel {

std::optional<std::string> sectionLabel(const Record& sectionTable, const std::string& code) {
    int j = 1;
    while (!sectionTable.value(2, j).empty() && sectionTable.value(2, j) != code)
        ++j;
    if (sectionTable.value(2, j) == code && !code.empty())
        return sectionTable.value(3, j);
    return std::nullopt;
}

}  // namespace ondrel
