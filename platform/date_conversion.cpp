#include "platform/date_conversion.h"

#include <cctype>
#include <cstdio>
#include <ctime>

#include "data/data_error.h"

namespace ondrel {

namespace {

bool digits(const std::string& s, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

int daysIn(int month, int year) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

std::string DateToText(const std::string& stored) {
    bool form = stored.size() == 10 && stored[4] == '-' && stored[7] == '-' && digits(stored, 0, 4) &&
                digits(stored, 5, 2) && digits(stored, 8, 2);
    if (form) {
        int year = std::stoi(stored.substr(0, 4));
        int month = std::stoi(stored.substr(5, 2));
        int day = std::stoi(stored.substr(8, 2));
        if (year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= daysIn(month, year))
            return stored.substr(8, 2) + "/" + stored.substr(5, 2) + "/" + stored.substr(0, 4);
    }
    if (stored.empty())
        throw DataError(kTypeMismatch, "Une date de l'exercice n'est pas renseignée.");
    throw DataError(kTypeMismatch, "La date « " + stored + " » n'est pas une date du calendrier de la forme aaaa-mm-jj.");
}

std::string momentText(const std::string& utc) {
    std::tm t{};
    if (std::sscanf(utc.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min,
                    &t.tm_sec) != 6)
        return utc;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    const std::time_t when = timegm(&t);
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d/%m/%Y à %H:%M", &local);
    return text;
}

}  // namespace ondrel
