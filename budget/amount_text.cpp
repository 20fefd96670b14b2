#include "budget/amount_text.h"

#include "budget/currency.h"

namespace ondrel {

std::string amountTextOf(const std::string& text) {
    auto amount = parseAmount(text);
    return amount ? formatAmount(*amount) : text;
}

}  // namespace ondrel
