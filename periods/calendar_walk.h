// periods: the months of the fiscal year and the spreading of an amount over them
// (handlers of Crt_Ondrel). Stands on control.
#pragma once

#include <string>
#include <vector>

namespace ondrel {

struct Period {
    int month;
    int year;
    std::string label;
};

// The longest fiscal year the walk follows; past it the end month is taken as never reached.
inline constexpr int kMaxPeriods = 120;

// The months of a fiscal year from the month of its start date to the month of its
// end date, both dates written dd/mm/yyyy: the walk wraps after December and stops on
// the month whose label is the label of the end month. Raises a DataError for a date
// text not in that form and for an end month that the walk never meets.
std::vector<Period> walkFiscalYear(const std::string& startText, const std::string& endText);
// "2027-06": the month as a person names it on a command line.
std::string monthCode(const Period& period);
// The month that lies index months after the month of the start date, by the same walk.
Period periodAt(const std::string& startText, int index);

}  // namespace ondrel
