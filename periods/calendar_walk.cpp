#include "periods/calendar_walk.h"

#include <cctype>

#include "data/data_error.h"
#include "periods/period_label.h"

namespace ondrel {

namespace {

constexpr std::uint32_t kBadFiscalYear = 0x800A000D;

// Characters 4-5 and 7-10 of a dd/mm/yyyy text.
void monthAndYear(const std::string& text, int& month, int& year) {
    auto digits = [&](std::size_t from, std::size_t count) {
        if (text.size() < from + count)
            return false;
        for (std::size_t i = from; i < from + count; ++i)
            if (!std::isdigit(static_cast<unsigned char>(text[i])))
                return false;
        return true;
    };
    if (text.size() != 10 || !digits(3, 2) || !digits(6, 4))
        throw DataError(kBadFiscalYear, "La date \"" + text + "\" n'est pas de la forme jj/mm/aaaa.");
    month = std::stoi(text.substr(3, 2));
    year = std::stoi(text.substr(6, 4));
    if (month < 1 || month > 12)
        throw DataError(kBadFiscalYear, "La date \"" + text + "\" n'a pas de mois valide.");
}

}  // namespace

std::vector<Period> walkFiscalYear(const std::string& startText, const std::string& endText) {
    int month = 0, year = 0, endMonth = 0, endYear = 0;
    monthAndYear(startText, month, year);
    monthAndYear(endText, endMonth, endYear);
    const std::string endLabel = periodLabel(endMonth, endYear);
    std::vector<Period> periods;
    for (;;) {
        if (month > 12) {
            month = 1;
            ++year;
        }
        std::string label = periodLabel(month, year);
        periods.push_back({month, year, label});
        if (label == endLabel)
            return periods;
        if (static_cast<int>(periods.size()) >= kMaxPeriods)
            throw DataError(kBadFiscalYear, "L'exercice du " + startText + " au " + endText +
                                                " est invalide : sa fin précède son début ou il dépasse " +
                                                std::to_string(kMaxPeriods) + " mois.");
        ++month;
    }
}

}  // namespace ondrel
