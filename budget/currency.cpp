#include "budget/currency.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace ondrel {

namespace {

std::int64_t checkedAdd(std::int64_t a, std::int64_t b) {
    std::int64_t out;
    if (__builtin_add_overflow(a, b, &out))
        throw CurrencyOverflow("Ce montant est trop grand pour être calculé.");
    return out;
}

std::int64_t checkedMul(std::int64_t a, std::int64_t b) {
    std::int64_t out;
    if (__builtin_mul_overflow(a, b, &out))
        throw CurrencyOverflow("Ce montant est trop grand pour être calculé.");
    return out;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

Currency Currency::fromHundredths(std::int64_t hundredths) {
    return Currency(checkedMul(hundredths, kScale / 100));
}

Currency Currency::fromDouble(double value) {
    double scaled = std::nearbyint(value * kScale);   // the default rounding mode: halves to even
    if (!std::isfinite(scaled) || scaled >= 9.2e18 || scaled <= -9.2e18)
        throw CurrencyOverflow("Ce montant est trop grand pour être calculé.");
    return Currency(static_cast<std::int64_t>(scaled));
}

std::int64_t Currency::floorHundredths() const {
    return floorDiv(units_, kScale / 100);
}

Currency Currency::roundedToCents() const {
    constexpr std::int64_t cent = kScale / 100;
    std::int64_t rest = units_ % cent;
    std::int64_t down = units_ - rest;
    if (rest >= cent / 2)
        return Currency(checkedAdd(down, cent));
    if (rest <= -cent / 2)
        return Currency(checkedAdd(down, -cent));
    return Currency(down);
}

Currency& Currency::operator+=(Currency other) {
    units_ = checkedAdd(units_, other.units_);
    return *this;
}

Currency& Currency::operator-=(Currency other) {
    if (other.units_ == std::numeric_limits<std::int64_t>::min())
        throw CurrencyOverflow("Ce montant est trop grand pour être calculé.");
    units_ = checkedAdd(units_, -other.units_);
    return *this;
}

Currency Currency::operator*(std::int64_t factor) const {
    return Currency(checkedMul(units_, factor));
}

std::optional<Currency> parseAmount(const std::string& text) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    std::int64_t units = 0;
    bool digits = false, comma = false;
    int decimals = 0;
    int roundingDigit = -1;   // the fifth decimal, when there is one
    bool beyond = false;      // any non-zero decimal after the fifth
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == ',' && !comma) {
            comma = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        digits = true;
        int d = c - '0';
        if (!comma) {
            units = checkedAdd(checkedMul(units, 10), d);
        } else if (decimals < 4) {
            units = checkedAdd(checkedMul(units, 10), d);
            ++decimals;
        } else if (roundingDigit < 0) {
            roundingDigit = d;
        } else if (d != 0) {
            beyond = true;
        }
    }
    if (!digits)
        return std::nullopt;
    for (int k = decimals; k < 4; ++k)
        units = checkedMul(units, 10);
    // Four decimals kept, halves to the even neighbour, as for any conversion to currency.
    if (roundingDigit > 5 || (roundingDigit == 5 && (beyond || units % 2 != 0)))
        units = checkedAdd(units, 1);
    return Currency::fromTenThousandths(units);
}

std::string withoutBlanks(const std::string& text) {
    // U+00A0 no-break space, U+2007 figure space, U+2009 thin space, U+202F narrow
    // no-break space, as UTF-8.
    static const char* const kBlanks[] = {"\u00A0", "\u2007", "\u2009", "\u202F", " "};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char* const* blank = std::find_if(std::begin(kBlanks), std::end(kBlanks), [&](const char* b) {
            return text.compare(i, std::strlen(b), b) == 0;
        });
        if (blank != std::end(kBlanks)) {
            i += std::strlen(*blank);
            continue;
        }
        out += text[i++];
    }
    return out;
}

std::string formatAmount(Currency amount, Grouping grouping) {
    std::int64_t cents = amount.roundedToCents().floorHundredths();
    bool negative = cents < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    std::string text = negative ? "-" : "";
    const std::string units = std::to_string(magnitude / 100);
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (grouping == Grouping::Thousands && i > 0 && (units.size() - i) % 3 == 0)
            text.append("\u00A0");
        text.push_back(units[i]);
    }
    text.push_back(',');
    text.push_back(static_cast<char>('0' + magnitude % 100 / 10));
    text.push_back(static_cast<char>('0' + magnitude % 10));
    return text;
}

std::string storedHundredths(Currency amount) {
    return std::to_string(amount.floorHundredths());
}

Currency fromStoredHundredths(const std::string& text) {
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw std::invalid_argument("« " + text + " » n'est pas un nombre entier de centimes.");
    return Currency::fromHundredths(value);
}

}  // namespace ondrel
