#include "periods/even_spread.h"

#include <cmath>

namespace ondrel {

std::vector<Currency> spreadEvenly(Currency amount, int periods) {
    if (periods < 1)
        return {};
    // q in double precision, then to currency; the share is q cut down to whole cents.
    const Currency q = Currency::fromDouble(amount.toDouble() / periods);
    const Currency share = Currency::fromHundredths(q.floorHundredths());
    const bool exact = amount == share * periods;
    const Currency last = exact ? share : amount - share * (periods - 1);
    std::vector<Currency> shares(static_cast<std::size_t>(periods), share);
    shares.back() = last;
    return shares;
}

}  // namespace ondrel
