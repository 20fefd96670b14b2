// budget: amounts, and the display, checks, write and commands of a budget line
// (handlers of Crt_Ondrel). Stands on control.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace ondrel {

// Raised instead of a silent wrap when an amount leaves the range of the type.
class CurrencyOverflow : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// An amount: a signed 64-bit count of ten-thousandths of the unit.
class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency zero() { return Currency(); }
    static constexpr Currency fromTenThousandths(std::int64_t units) { return Currency(units); }
    static Currency fromHundredths(std::int64_t hundredths);
    // A double rounded to four decimals, halves to the even neighbour.
    static Currency fromDouble(double value);

    std::int64_t tenThousandths() const { return units_; }
    // Whole hundredths, the part below a cent cut off toward minus infinity.
    std::int64_t floorHundredths() const;
    double toDouble() const { return static_cast<double>(units_) / kScale; }
    // Rounded to whole cents, halves away from zero.
    Currency roundedToCents() const;

    Currency& operator+=(Currency other);
    Currency& operator-=(Currency other);
    friend Currency operator+(Currency a, Currency b) { return a += b; }
    friend Currency operator-(Currency a, Currency b) { return a -= b; }
    Currency operator*(std::int64_t factor) const;
    friend auto operator<=>(Currency, Currency) = default;

private:
    explicit constexpr Currency(std::int64_t units) : units_(units) {}
    std::int64_t units_ = 0;
};

// An amount text: leading blanks, digits, an optional comma and decimals
// (",5" and "5," are amounts). Anything else is not an amount: nullopt.
// Raises CurrencyOverflow for a number too large for the type.
std::optional<Currency> parseAmount(const std::string& text);
// A figure as the French write it and copy it, without its blanks: the blank, the
// no-break and the thin spaces that part thousands ("1 000,50") are no fault,
// whether typed, pasted from a spreadsheet or read from a file.
std::string withoutBlanks(const std::string& text);

enum class Grouping { None, Thousands };
// The pattern "0.00": at least one digit, a decimal comma, two decimals, no sign
// for positive amounts; rounded to whole cents. With Thousands, a no-break space
// parts the thousands for reading ("1 000,00"), as in a report; zones never have it.
std::string formatAmount(Currency amount, Grouping grouping = Grouping::None);

// The largest amount that an amount zone of twelve characters holds, 999999999,99:
// what the screen, the sheets and the report are made for, in hundredths.
inline constexpr std::int64_t kLargestAmountHundredths = 99'999'999'999;

// Stored amounts are whole hundredths written in decimal ("123456" for 1234,56).
std::string storedHundredths(Currency amount);
// Raises std::invalid_argument for a text that is not a whole number.
Currency fromStoredHundredths(const std::string& text);

}  // namespace ondrel
