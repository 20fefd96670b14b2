#include "actuals/fec_reader.h"

#include <algorithm>
#include <istream>
#include <map>
#include <optional>

#include <unicode/ucnv.h>

#include "screen/utf8_text.h"

namespace ondrel {

namespace {

// A line not in UTF-8 is in ISO 8859-15, the other encoding the norm allows.
std::string asUtf8(const std::string& text) {
    if (isValidUtf8(text))
        return text;
    std::string out(text.size() * 3 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("UTF-8", "ISO-8859-15", out.data(), static_cast<int32_t>(out.size()), text.data(),
                                   static_cast<int32_t>(text.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> cells(1);
    for (char c : line) {
        if (c == separator)
            cells.emplace_back();
        else
            cells.back() += c;
    }
    return cells;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "1234,56", "-1234,56", "1234,56-", "+12,5", "0": at most two decimals, in hundredths.
// An empty cell is nothing, as exporters write it.
std::optional<std::int64_t> amountOf(const std::string& cell) {
    std::string t = trimBlanks(cell);
    if (t.empty())
        return 0;
    bool negative = false;
    if (t.front() == '-' || t.front() == '+') {
        negative = t.front() == '-';
        t.erase(0, 1);
    } else if (t.back() == '-' || t.back() == '+') {
        negative = t.back() == '-';
        t.pop_back();
    }
    const auto comma = t.find(',');
    const std::string units = t.substr(0, comma);
    const std::string decimals = comma == std::string::npos ? std::string() : t.substr(comma + 1);
    if (units.empty() || units.size() > 15 || decimals.size() > 2 || !std::all_of(units.begin(), units.end(), isDigit) ||
        !std::all_of(decimals.begin(), decimals.end(), isDigit))
        return std::nullopt;
    std::int64_t hundredths = std::stoll(units) * 100;
    if (!decimals.empty())
        hundredths += std::stoll(decimals) * (decimals.size() == 1 ? 10 : 1);
    return negative ? -hundredths : hundredths;
}

// AAAAMMJJ, a real day of the calendar.
bool dateOf(const std::string& cell, int& year, int& month) {
    const std::string t = trimBlanks(cell);
    if (t.size() != 8 || !std::all_of(t.begin(), t.end(), isDigit))
        return false;
    year = std::stoi(t.substr(0, 4));
    month = std::stoi(t.substr(4, 2));
    const int day = std::stoi(t.substr(6, 2));
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month >= 1 && month <= 12 && day >= 1 && day <= (month == 2 && !leap ? 28 : kDays[month - 1]);
}

// The columns the actuals read, by their place in the header.
struct Columns {
    std::size_t count = 0;
    std::size_t date = 0, account = 0;
    std::optional<std::size_t> debit, credit, amount, direction;
};

std::optional<Columns> columnsOf(const std::vector<std::string>& header, std::string& why) {
    std::map<std::string, std::size_t> at;
    for (std::size_t c = 0; c < header.size(); ++c)
        at.emplace(lowered(trimBlanks(header[c])), c);
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
std::optional<std::string> readAmount(const std::vector<std::string>& cells, const Columns& columns, Posting& p) {
    if (columns.debit) {
        const auto debit = amountOf(cells[*columns.debit]), credit = amountOf(cells[*columns.credit]);
        if (!debit || !credit)
            return std::string(debit ? "Credit" : "Debit") + " « " +
                   excerpt(cells[debit ? *columns.credit : *columns.debit]) + " » n'est pas un montant";
        p.debitMinusCredit = *debit - *credit;
        return std::nullopt;
    }
    const auto amount = amountOf(cells[*columns.amount]);
    const std::string direction = trimBlanks(cells[*columns.direction]);
    if (!amount)
        return "Montant « " + excerpt(cells[*columns.amount]) + " » n'est pas un montant";
    if (direction == "D" || direction == "+1" || direction == "1")
        p.debitMinusCredit = *amount;
    else if (direction == "C" || direction == "-1")
        p.debitMinusCredit = -*amount;
    else
        return "Sens « " + excerpt(direction) + " » n'est ni D ni C";
    return std::nullopt;
}

// The posting of one line of the file, or why it cannot be read.
std::optional<std::string> readPosting(const std::vector<std::string>& cells, const Columns& columns, Posting& p) {
    if (cells.size() != columns.count)
        return "la ligne a " + std::to_string(cells.size()) + " colonne(s), l'en-tête en a " +
               std::to_string(columns.count);
    p.account = trimBlanks(cells[columns.account]);
    if (p.account.empty())
        return "CompteNum est vide";
    if (!dateOf(cells[columns.date], p.year, p.month))
        return "EcritureDate « " + excerpt(cells[columns.date]) + " » n'est pas une date AAAAMMJJ";
    return readAmount(cells, columns, p);
}

}  // namespace

void readFec(std::istream& in, const std::function<void(const Posting&)>& visit,
             const std::function<void(const std::string&)>& refuse) {
    std::string text;
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
            columns = columnsOf(split(text, separator), why);
            if (!columns)
                return fail(why);
            continue;
        }
        if (trimBlanks(text).empty())
            continue;
        Posting p;
        p.line = number;
        if (const auto fault = readPosting(split(asUtf8(text), separator), *columns, p))
            fail(*fault);
        else
            visit(p);
    }
    if (number == 0)
        refuse("ligne 1 : le fichier est vide ; il lui faut l'en-tête du FEC");
}

}  // namespace ondrel
