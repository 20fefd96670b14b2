// breakdown: the analytic distribution keys and their sections (handlers of
// Crt_Ondrel). Stands on control.
#pragma once

#include <optional>
#include <string>

#include "data/record.h"

namespace ondrel {

// The label of a section code in the section table (the record "SECTANAL"):
// the table is scanned from its start up to its first empty code.
std::optional<std::string> sectionLabel(const Record& sectionTable, const std::string& code);

}  // namespace ondrel
