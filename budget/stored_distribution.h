#pragma once

#include <string>
#include <vector>

#include "budget/currency.h"
#include "data/record.h"

namespace ondrel {

// The period lines of a stored budget record: field 2 holds the period indexes, field 3
// the amounts in hundredths, value by value.
struct StoredDistribution {
    struct Period {
        int index;
        Currency amount;
    };
    // Every pair that reads, in the stored order, the pairs after an unreadable one too.
    std::vector<Period> periods;
    // The first pair that reads as no period line (an empty or foreign value, an index
    // outside any year), as a person reads it; empty when every pair reads.
    std::string unreadable;
};

StoredDistribution storedDistribution(const Record& budget);

}  // namespace ondrel
