#include "budget/stored_distribution.h"

#include <algorithm>
#include <charconv>

#include "periods/calendar_walk.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {

bool readIndex(const std::string& text, int& index) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && index >= 0 &&
           index < kMaxPeriods;
}

}  // namespace

// Every value is read, not only those before the first empty one: a line written by
// another program may hold an empty value in the middle, and the amounts after it are
// the line's as much as those before.
StoredDistribution storedDistribution(const Record& budget) {
    StoredDistribution d;
    const auto& fields = budget.fields();
    const std::size_t indexes = fields.size() > 1 ? fields[1].size() : 0;
    const std::size_t amounts = fields.size() > 2 ? fields[2].size() : 0;
    for (std::size_t v = 1; v <= std::max(indexes, amounts); ++v) {
        const std::string indexText = budget.value(2, static_cast<int>(v));
        const std::string amountText = budget.value(3, static_cast<int>(v));
        int index = 0;
        bool good = readIndex(indexText, index);
        Currency amount = Currency::zero();
        try {
            amount = fromStoredHundredths(amountText);
        } catch (const std::exception&) {
            good = false;
        }
        if (good)
            d.periods.push_back({index, amount});
        else if (d.unreadable.empty())
            d.unreadable = "valeur n° " + std::to_string(v) + " : période « " + excerpt(indexText) + " », montant « " +
                           excerpt(amountText) + " »";
    }
    return d;
}

}  // namespace ondrel
