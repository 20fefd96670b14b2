#include "periods/period_label.h"

#include "platform/french_locale.h"

namespace ondrel {

std::string periodLabel(int month, int year) {
    return formatMonthYear(month, year);
}

}  // namespace ondrel
