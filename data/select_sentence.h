#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ondrel {

// SSELECT file [AVEC field = "value"] field... PAR field
struct SelectSentence {
    struct Condition {
        int field = 0;
        std::string value;   // without the closing "]" of a prefix match
        bool prefix = false;
    };

    std::string file;
    std::optional<Condition> condition;
    std::vector<int> fields;
    int sortField = 0;
};

// Raises a DataError naming what is wrong and at which character.
SelectSentence parseSelect(const std::string& sentence);
// The value between the first of the three delimiters ", ' and \ that it does not hold,
// so that no text can change the meaning of a sentence; nullopt when it holds all three.
std::optional<std::string> quoteValue(const std::string& value);
// A field list such as "0 1 2 3".
std::vector<int> parseFieldList(const std::string& list);

}  // namespace ondrel
