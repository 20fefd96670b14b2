#pragma once

#include <string>

namespace ondrel {

// Turns a stored date, an ISO 8601 calendar date ("2027-01-01"), into its display
// text "dd/mm/yyyy" ("01/01/2027"). Raises a DataError for anything else.
std::string DateToText(const std::string& stored);

// A moment the history keeps, UTC "yyyy-mm-dd hh:mm:ss", as a person reads it in the
// local time of this machine: "08/12/2026 à 16:02". A text that is not such a moment
// is given back as it stands.
std::string momentText(const std::string& utc);

}  // namespace ondrel
