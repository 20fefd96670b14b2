#include "admin/record_json.h"

#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "screen/utf8_text.h"

namespace ondrel {

using nlohmann::json;

namespace {

constexpr const char* kHexDigits = "0123456789abcdef";

// Stored bytes that are not UTF-8 cannot be a JSON string: they travel as
// {"bytes":"<hex>"}, so that an export always finishes and imports back unchanged.
nlohmann::ordered_json textJson(const std::string& text) {
    if (isValidUtf8(text))
        return text;
    std::string hex;
    for (unsigned char c : text) {
        hex += kHexDigits[c >> 4];
        hex += kHexDigits[c & 0xF];
    }
    return nlohmann::ordered_json{{"bytes", hex}};
}

std::string bytesOfHex(const std::string& hex, const std::string& what) {
    auto digit = [&](char c) {
        const char* p = std::char_traits<char>::find(kHexDigits, 16, c);
        if (!p)
            throw std::invalid_argument(what + ": \"bytes\" must hold lower-case hexadecimal digits");
        return static_cast<int>(p - kHexDigits);
    };
    if (hex.size() % 2 != 0)
        throw std::invalid_argument(what + ": \"bytes\" must hold pairs of hexadecimal digits");
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        bytes += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
    return bytes;
}

// A string, or the {"bytes":…} form of stored bytes that are not UTF-8.
std::string textOf(const json& j, const std::string& what) {
    if (j.is_string())
        return j.get<std::string>();
    if (j.is_object() && j.size() == 1 && j.contains("bytes") && j["bytes"].is_string())
        return bytesOfHex(j["bytes"].get<std::string>(), what);
    throw std::invalid_argument(what + " must be a string");
}

std::string member(const json& j, const char* name) {
    auto it = j.find(name);
    if (it == j.end())
        throw std::invalid_argument(std::string("\"") + name + "\" is missing");
    return textOf(*it, std::string("\"") + name + "\"");
}

// The standard lets the last of two members of one name win; a record line that
// says two things of itself is refused instead.
json parseStrict(const std::string& line) {
    std::vector<std::set<std::string>> names;
    auto check = [&](int, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start)
            names.emplace_back();
        else if (event == json::parse_event_t::object_end)
            names.pop_back();
        else if (event == json::parse_event_t::key && !names.back().insert(parsed.get<std::string>()).second)
            throw std::invalid_argument("the member \"" + parsed.get<std::string>() + "\" appears twice");
        return true;
    };
    try {
        return json::parse(line, check);
    } catch (const json::exception& e) {
        throw std::invalid_argument(std::string("not JSON: ") + e.what());
    }
}

std::vector<std::string> fieldValues(const json& values, std::size_t number) {
    const std::string what = "field " + std::to_string(number);
    if (!values.is_array())
        throw std::invalid_argument(what + " must be an array of strings");
    std::vector<std::string> field;
    for (const auto& v : values) {
        if (!v.is_string() && !v.is_object())
            throw std::invalid_argument(what + " holds a value that is not a string");
        auto s = textOf(v, what);
        if (s.find(kValueMark) != std::string::npos)
            throw std::invalid_argument(what + " holds the value separator (character 30)");
        field.push_back(std::move(s));
    }
    // [""] is the empty field, as [] is.
    if (field.size() == 1 && field[0].empty())
        field.clear();
    return field;
}

}  // namespace

FileRecord parseRecordLine(const std::string& line) {
    json j = parseStrict(line);
    if (!j.is_object())
        throw std::invalid_argument("a record must be a JSON object");
    for (const auto& [name, value] : j.items())
        if (name != "file" && name != "key" && name != "fields")
            throw std::invalid_argument("unknown member \"" + name + "\"");
    FileRecord r;
    r.file = member(j, "file");
    r.key = member(j, "key");
    if (r.file.empty())
        throw std::invalid_argument("\"file\" is empty");
    if (r.key.empty())
        throw std::invalid_argument("\"key\" is empty");
    if (holdsControlChar(r.file))
        throw std::invalid_argument("\"file\" holds a control character");
    if (holdsControlChar(r.key))
        throw std::invalid_argument("\"key\" holds a control character");
    auto fields = j.find("fields");
    if (fields == j.end())
        throw std::invalid_argument("\"fields\" is missing");
    if (!fields->is_array())
        throw std::invalid_argument("\"fields\" must be an array of arrays of strings");
    for (std::size_t f = 0; f < fields->size(); ++f)
        r.fields.push_back(fieldValues((*fields)[f], f + 1));
    return r;
}

std::string recordLine(const std::string& file, const Record& record) {
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    const auto& all = record.fields();
    std::size_t used = all.size();
    while (used > 0 && all[used - 1].empty())
        --used;
    for (std::size_t f = 0; f < used; ++f) {
        nlohmann::ordered_json values = nlohmann::ordered_json::array();
        for (const auto& v : all[f])
            values.push_back(textJson(v));
        fields.push_back(values);
    }
    nlohmann::ordered_json j;
    j["file"] = textJson(file);
    j["key"] = textJson(record.key());
    j["fields"] = fields;
    return j.dump();
}

}  // namespace ondrel
