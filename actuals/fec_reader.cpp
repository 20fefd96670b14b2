#include "actuals/fec_reader.h"

#include <algorithm>
#include <istream>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include <unicode/ucnv.h>

#include "screen/utf8_text.h"

namespace ondrel {

namespace {

// A line not in UTF-8 is in ISO 8859-15, the other encoding the norm allows.
std::string fromLatin9(const std::string& text) {
    std::string out(text.size() * 3 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("UTF-8", "ISO-8859-15", out.data(), static_cast<int32_t>(out.size()), text.data(),
                                   static_cast<int32_t>(text.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
    return out;
}

// The cells of a line, as views into it: no cell is copied.
using Cells = std::vector<std::string_view>;

void split(std::string_view line, char separator, Cells& cells) {
    cells.clear();
    for (std::size_t from = 0;;) {
        const auto at = line.find(separator, from);
        cells.push_back(line.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos)
            return;
        from = at + 1;
    }
}

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a run of digits, already checked; none past 18 digits.
std::int64_t digitsValue(std::string_view digits) {
    std::int64_t value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// "1234,56", "-1234,56", "1234,56-", "+12,5", "0": at most two decimals, in hundredths.
// An empty cell is nothing, as exporters write it.
std::optional<std::int64_t> amountOf(std::string_view cell) {
    std::string_view t = trimmedBlanks(cell);
    if (t.empty())
        return 0;
    bool negative = false;
    if (t.front() == '-' || t.front() == '+') {
        negative = t.front() == '-';
        t.remove_prefix(1);
    } else if (t.back() == '-' || t.back() == '+') {
        negative = t.back() == '-';
        t.remove_suffix(1);
    }
    const auto comma = t.find(',');
    const std::string_view units = t.substr(0, comma);
    const std::string_view decimals = comma == std::string_view::npos ? std::string_view() : t.substr(comma + 1);
    if (units.empty() || units.size() > 15 || decimals.size() > 2 || !std::all_of(units.begin(), units.end(), isDigit) ||
        !std::all_of(decimals.begin(), decimals.end(), isDigit))
        return std::nullopt;
    std::int64_t hundredths = digitsValue(units) * 100;
    if (!decimals.empty())
        hundredths += digitsValue(decimals) * (decimals.size() == 1 ? 10 : 1);
    return negative ? -hundredths : hundredths;
}

// AAAAMMJJ, a real day of the calendar.
bool dateOf(std::string_view cell, int& year, int& month) {
    const std::string_view t = trimmedBlanks(cell);
    if (t.size() != 8 || !std::all_of(t.begin(), t.end(), isDigit))
        return false;
    year = static_cast<int>(digitsValue(t.substr(0, 4)));
    month = static_cast<int>(digitsValue(t.substr(4, 2)));
    const int day = static_cast<int>(digitsValue(t.substr(6, 2)));
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month >= 1 && month <= 12 && day >= 1 && day <= (month == 2 && !leap ? 28 : kDays[month - 1]);
}

// A cell quoted in a refusal.
std::string quoted(std::string_view cell) {
    return excerpt(std::string(cell));
}

// The columns the actuals read, by their place in the header.
struct Columns {
    std::size_t count = 0;
    std::size_t date = 0, account = 0;
    std::optional<std::size_t> debit, credit, amount, direction;
};

std::optional<Columns> columnsOf(const Cells& header, std::string& why) {
    std::map<std::string, std::size_t> at;
    for (std::size_t c = 0; c < header.size(); ++c)
        at.emplace(lowered(trimmedBlanks(header[c])), c);
    auto find = [&](const char* name) -> std::optional<std::size_t> {
        auto it = at.find(lowered(name));
        return it == at.end() ? std::nullopt : std::optional<std::size_t>(it->second);
    };
    Columns c;
    c.count = header.size();
    const auto date = find("EcritureDate"), account = find("CompteNum");
    c.debit = find("Debit");
    c.credit = find("Credit");
    c.amount = find("Montant");
    c.direction = find("Sens");
    const bool twoColumns = c.debit && c.credit, signedAmount = c.amount && c.direction;
    if (!date || !account || !(twoColumns || signedAmount)) {
        why = "l'en-tête n'est pas celui d'un FEC : il lui faut EcritureDate, CompteNum, et Debit et Credit ou "
              "Montant et Sens";
        return std::nullopt;
    }
    c.date = *date;
    c.account = *account;
    if (twoColumns)
        c.amount = c.direction = std::nullopt;
    return c;
}

// The posting's debit minus its credit, from the columns Debit and Credit or from
// Montant and Sens; or why it cannot be read.
std::optional<std::string> readAmount(const Cells& cells, const Columns& columns, Posting& p) {
    if (columns.debit) {
        const auto debit = amountOf(cells[*columns.debit]), credit = amountOf(cells[*columns.credit]);
        if (!debit || !credit)
            return std::string(debit ? "Credit" : "Debit") + " « " +
                   quoted(cells[debit ? *columns.credit : *columns.debit]) + " » n'est pas un montant";
        p.debitMinusCredit = *debit - *credit;
        return std::nullopt;
    }
    const auto amount = amountOf(cells[*columns.amount]);
    const std::string_view direction = trimmedBlanks(cells[*columns.direction]);
    if (!amount)
        return "Montant « " + quoted(cells[*columns.amount]) + " » n'est pas un montant";
    if (direction == "D" || direction == "+1" || direction == "1")
        p.debitMinusCredit = *amount;
    else if (direction == "C" || direction == "-1")
        p.debitMinusCredit = -*amount;
    else
        return "Sens « " + quoted(direction) + " » n'est ni D ni C";
    return std::nullopt;
}

// The posting of one line of the file, or why it cannot be read.
std::optional<std::string> readPosting(const Cells& cells, const Columns& columns, Posting& p) {
    if (cells.size() != columns.count)
        return "la ligne a " + std::to_string(cells.size()) + " colonne(s), l'en-tête en a " +
               std::to_string(columns.count);
    p.account.assign(trimmedBlanks(cells[columns.account]));
    if (p.account.empty())
        return "CompteNum est vide";
    if (!dateOf(cells[columns.date], p.year, p.month))
        return "EcritureDate « " + quoted(cells[columns.date]) + " » n'est pas une date AAAAMMJJ";
    return readAmount(cells, columns, p);
}

}  // namespace

void readFec(std::istream& in, const std::function<void(const Posting&)>& visit,
             const std::function<void(const std::string&)>& refuse) {
    // One line, its cells and its posting, each reused from line to line: reading a
    // posting allocates nothing.
    std::string text, converted;
    Cells cells;
    Posting p;
    std::optional<Columns> columns;
    char separator = '\t';
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (number == 1 && text.rfind("\xEF\xBB\xBF", 0) == 0)
            text.erase(0, 3);
        auto fail = [&](const std::string& why) { refuse("ligne " + std::to_string(number) + " : " + why); };
        if (number == 1) {
            separator = text.find('\t') != std::string::npos ? '\t' : '|';
            std::string why;
            split(text, separator, cells);
            columns = columnsOf(cells, why);
            if (!columns)
                return fail(why);
            continue;
        }
        if (trimmedBlanks(text).empty())
            continue;
        const bool utf8 = isValidUtf8(text);
        if (!utf8)
            converted = fromLatin9(text);
        split(utf8 ? text : converted, separator, cells);
        p.line = number;
        if (const auto fault = readPosting(cells, *columns, p))
            fail(*fault);
        else
            visit(p);
    }
    if (number == 0)
        refuse("ligne 1 : le fichier est vide ; il lui faut l'en-tête du FEC");
}

}  // namespace ondrel
