#include "data/record.h"

#include "data/data_error.h"

namespace ondrel {

Record::Record(std::string key, std::vector<std::vector<std::string>> fields, std::int64_t revision, Writer writer)
    : key_(std::move(key)), fields_(std::move(fields)), revision_(revision), writer_(std::move(writer)) {}

std::vector<std::string> splitValues(const std::string& text) {
    std::vector<std::string> values;
    if (text.empty())
        return values;
    std::string::size_type start = 0;
    for (;;) {
        auto mark = text.find(kValueMark, start);
        values.push_back(text.substr(start, mark - start));
        if (mark == std::string::npos)
            return values;
        start = mark + 1;
    }
}

std::string joinValues(const std::vector<std::string>& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += kValueMark;
        text += values[i];
    }
    return text;
}

std::string Record::field(int f) const {
    if (f == 0)
        return key_;
    if (f < 0 || static_cast<std::size_t>(f) > fields_.size())
        return {};
    return joinValues(fields_[f - 1]);
}

std::string Record::value(int f, int v) const {
    if (f == 0)
        return v == 1 ? key_ : std::string();
    if (f < 0 || v < 1 || static_cast<std::size_t>(f) > fields_.size())
        return {};
    const auto& values = fields_[f - 1];
    return static_cast<std::size_t>(v) <= values.size() ? values[v - 1] : std::string();
}

std::vector<std::string>& Record::slot(int f) {
    if (f < 1)
        throw DataError(kBadValue, "Le champ " + std::to_string(f) + " ne peut pas être écrit : les champs sont numérotés à partir de 1.");
    if (static_cast<std::size_t>(f) > fields_.size())
        fields_.resize(f);
    return fields_[f - 1];
}

void Record::setField(int f, const std::string& text) {
    slot(f) = splitValues(text);
}

void Record::setValue(int f, int v, const std::string& text) {
    if (v < 1)
        throw DataError(kBadValue, "La valeur " + std::to_string(v) + " ne peut pas être écrite : les valeurs sont numérotées à partir de 1.");
    auto& values = slot(f);
    if (static_cast<std::size_t>(v) > values.size())
        values.resize(v);
    values[v - 1] = text;
}

void Record::DBWrite() {
    if (!writer_)
        throw DataError(kStoreFailure, "L'enregistrement « " + key_ + " » n'appartient à aucun fichier.");
    revision_ = writer_(*this);
}

}  // namespace ondrel
