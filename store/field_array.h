#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ondrel {

// A record's fields kept in one column, as a server's text array writes it: {"a",NULL,"b"},
// NULL for an empty field, each other one its whole text, values joined by kValueMark.
// The same text in an SQLite file, so that both engines are read by one reader.

// The array of texts, each quoted: the key lists that the server's functions take.
std::string textArray(const std::vector<std::string>& values);
// The whole text of each field of a record, NULL where a field is empty; "{}" for none.
std::string fieldArray(const std::vector<std::vector<std::string>>& fields);
// The same of whole texts, NULL where there is none.
std::string wholesArray(const std::vector<std::optional<std::string>>& wholes);

// The whole texts of the first `wanted` fields of an array, none where a field is
// NULL or absent; the rest is not read. A text that is not such an array reads as
// no fields.
std::vector<std::optional<std::string>> wholeFields(std::string_view array, std::size_t wanted);
// Every field of an array, its values apart, up to the last one not NULL.
std::vector<std::vector<std::string>> recordFields(std::string_view array);

}  // namespace ondrel
