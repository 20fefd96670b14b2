#include "data/request.h"

#include "data/data_error.h"

namespace ondrel {

namespace {
// Separates the three values in the request text; never part of a sentence.
constexpr char kPartMark = '\x1F';

void checkIndex(int i) {
    if (i < 1 || i > 3)
        throw DataError(kBadSelect, "Une requête a les valeurs 1 à 3, pas " + std::to_string(i) + ".");
}
}  // namespace

void Request::set(int i, std::string text) {
    checkIndex(i);
    values_[i - 1] = std::move(text);
}

const std::string& Request::get(int i) const {
    checkIndex(i);
    return values_[i - 1];
}

std::string Request::text() const {
    return values_[0] + kPartMark + values_[1] + kPartMark + values_[2];
}

Request Request::parse(const std::string& text) {
    Request request;
    std::string::size_type start = 0;
    for (int i = 1; i <= 3; ++i) {
        auto mark = text.find(kPartMark, start);
        if ((i < 3) == (mark == std::string::npos))
            throw DataError(kBadSelect, "Une requête tient exactement trois valeurs : la phrase, le fichier et la liste des champs.");
        request.values_[i - 1] = text.substr(start, mark == std::string::npos ? std::string::npos : mark - start);
        start = mark + 1;
    }
    return request;
}

}  // namespace ondrel
