#pragma once

#include <optional>
#include <string>

namespace ondrel {

// A line of Lst_Sect: the section label cut to 30 characters in a column of 32
// ("Erreur" for a section missing from the table), the year-N share right-aligned
// in 25, and the year-N+1 share right-aligned in 11 when the key has one.
std::string sectionLine(const std::optional<std::string>& label, const std::string& shareN,
                        const std::string& shareN1);

}  // namespace ondrel
