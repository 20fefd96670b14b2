#include "tools/record_json.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

namespace ondrel {

using nlohmann::json;

namespace {

std::string text(const json& j, const char* name) {
    auto it = j.find(name);
    if (it == j.end())
        throw std::invalid_argument(std::string("\"") + name + "\" is missing");
    if (!it->is_string())
        throw std::invalid_argument(std::string("\"") + name + "\" must be a string");
    return it->get<std::string>();
}

}  // namespace

FileRecord parseRecordLine(const std::string& line) {
    json j;
    try {
        j = json::parse(line);
    } catch (const json::parse_error& e) {
        throw std::invalid_argument(std::string("not JSON: ") + e.what());
    }
    if (!j.is_object())
        throw std::invalid_argument("a record must be a JSON object");
    for (const auto& [name, value] : j.items())
        if (name != "file" && name != "key" && name != "fields")
            throw std::invalid_argument("unknown member \"" + name + "\"");
    FileRecord r;
    r.file = text(j, "file");
    r.key = text(j, "key");
    if (r.file.empty())
        throw std::invalid_argument("\"file\" is empty");
    if (r.key.empty())
        throw std::invalid_argument("\"key\" is empty");
    auto fields = j.find("fields");
    if (fields == j.end())
        throw std::invalid_argument("\"fields\" is missing");
    if (!fields->is_array())
        throw std::invalid_argument("\"fields\" must be an array of arrays of strings");
    for (std::size_t f = 0; f < fields->size(); ++f) {
        const auto& values = (*fields)[f];
        if (!values.is_array())
            throw std::invalid_argument("field " + std::to_string(f + 1) + " must be an array of strings");
        std::vector<std::string> field;
        for (const auto& v : values) {
            if (!v.is_string())
                throw std::invalid_argument("field " + std::to_string(f + 1) + " holds a value that is not a string");
            auto s = v.get<std::string>();
            if (s.find(kValueMark) != std::string::npos)
                throw std::invalid_argument("field " + std::to_string(f + 1) + " holds the value separator (character 30)");
            field.push_back(std::move(s));
        }
        // [""] is the empty field, as [] is.
        if (field.size() == 1 && field[0].empty())
            field.clear();
        r.fields.push_back(std::move(field));
    }
    return r;
}

std::string recordLine(const std::string& file, const Record& record) {
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    const auto& all = record.fields();
    std::size_t used = all.size();
    while (used > 0 && all[used - 1].empty())
        --used;
    for (std::size_t f = 0; f < used; ++f)
        fields.push_back(all[f]);
    nlohmann::ordered_json j;
    j["file"] = file;
    j["key"] = record.key();
    j["fields"] = fields;
    return j.dump(-1, ' ', false, json::error_handler_t::strict);
}

}  // namespace ondrel
