#pragma once

#include <string>

namespace ondrel {

// The label of a period everywhere on the screen: the month in full, a blank, the
// four-digit year ("septembre 2026"). The calendar, the automatic spread and the
// display of a stored line all take it from here.
std::string periodLabel(int month, int year);

}  // namespace ondrel
