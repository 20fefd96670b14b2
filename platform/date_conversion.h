#pragma once

#include <string>

namespace ondrel {

// Turns a stored date, an ISO 8601 calendar date ("2027-01-01"), into its display
// text "dd/mm/yyyy" ("01/01/2027"). Raises a DataError for anything else.
std::string DateToText(const std::string& stored);

}  // namespace ondrel
