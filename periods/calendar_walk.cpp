#include "periods/calendar_walk.h"

#include <cstdio>
#include <cctype>

#include "data/data_error.h"
#include "periods/period_label.h"

namespace ondrel {

namespace {

// Characters 4-5 and 7-10 of a dd/mm/yyyy text, every character checked, so that the
// ten bytes read are the ten characters shown.
void monthAndYear(const std::string& text, int& month, int& year) {
    auto digit = [&](std::size_t i) { return std::isdigit(static_cast<unsigned char>(text[i])) != 0; };
    bool form = text.size() == 10 && text[2] == '/' && text[5] == '/';
    for (std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
        form = form && digit(i);
    if (!form)
        throw DataError(kTypeMismatch, "La date \"" + text + "\" n'est pas de la forme jj/mm/aaaa.");
    month = std::stoi(text.substr(3, 2));
    year = std::stoi(text.substr(6, 4));
    if (month < 1 || month > 12)
        throw DataError(kTypeMismatch, "La date \"" + text + "\" n'a pas de mois valide.");
}

Period period(int month, int year) {
    return {month, year, periodLabel(month, year)};
}

// The month after, wrapping after December.
Period next(const Period& p) {
    return p.month == 12 ? period(1, p.year + 1) : period(p.month + 1, p.year);
}

}  // namespace

std::vector<Period> walkFiscalYear(const std::string& startText, const std::string& endText) {
    int month = 0, year = 0, endMonth = 0, endYear = 0;
    monthAndYear(startText, month, year);
    monthAndYear(endText, endMonth, endYear);
    const std::string endLabel = periodLabel(endMonth, endYear);
    std::vector<Period> periods{period(month, year)};
    while (periods.back().label != endLabel) {
        if (static_cast<int>(periods.size()) >= kMaxPeriods)
            throw DataError(kTypeMismatch, "L'exercice du " + startText + " au " + endText +
                                               " est invalide : sa fin précède son début ou il dépasse " +
                                               std::to_string(kMaxPeriods) + " mois.");
        periods.push_back(next(periods.back()));
    }
    return periods;
}

Period periodAt(const std::string& startText, int index) {
    int month = 0, year = 0;
    monthAndYear(startText, month, year);
    if (index < 0 || index >= kMaxPeriods)
        throw DataError(kBadValue, "La période n° " + std::to_string(index) + " ne tient dans aucun exercice.");
    Period p = period(month, year);
    for (int i = 0; i < index; ++i)
        p = next(p);
    return p;
}

std::string monthCode(const Period& period) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d", period.year % 10000, period.month % 100);
    return text;
}

}  // namespace ondrel
