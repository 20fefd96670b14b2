#include "sheets/percentage.h"

#include <algorithm>

#include "budget/currency.h"
#include "screen/utf8_text.h"

namespace ondrel {

std::optional<std::int64_t> parsePercentage(const std::string& text) {
    std::string t = withoutBlanks(text);
    if (!t.empty() && t.back() == '%')
        t.pop_back();
    const bool minus = !t.empty() && t[0] == '-';
    if (minus || (!t.empty() && t[0] == '+'))
        t.erase(0, 1);
    std::replace(t.begin(), t.end(), '.', ',');
    if (t.empty() || t.find_first_not_of("0123456789,") != std::string::npos)
        return std::nullopt;
    const auto value = parseAmount(t);
    if (!value || value->tenThousandths() % 100 != 0)
        return std::nullopt;
    const std::int64_t hundredths = value->floorHundredths();
    if (hundredths > (minus ? 10000 : 100000))
        return std::nullopt;
    return minus ? -hundredths : hundredths;
}

std::string percentageText(std::int64_t hundredths) {
    // Built by appending: GCC 12 misreads a concatenation that starts with a literal at -O3.
    std::string text = hundredths < 0 ? std::string() : std::string("+");
    text += formatAmount(Currency::fromHundredths(hundredths));
    text += " %";
    return text;
}


std::string notAPercentage(const std::string& text) {
    std::string said = "« ";
    said += excerpt(text);
    said += " » n'est pas un pourcentage : écrivez un nombre de -100 à 1000, avec au plus deux décimales après la "
            "virgule, par exemple 3,5.";
    return said;
}

// Amounts have at most eleven digits of cents and the percentage is bounded: no overflow.
Currency raisedBy(Currency amount, std::int64_t percentHundredths) {
    const std::int64_t cents = amount.floorHundredths() * (10000 + percentHundredths);
    return Currency::fromHundredths((cents + (cents >= 0 ? 5000 : -5000)) / 10000);
}

}  // namespace ondrel
