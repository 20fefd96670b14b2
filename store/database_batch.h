#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/database.h"

namespace ondrel {

// A record as the transaction of a batch has it: absent, or at a revision with its
// fields; and the last revision of its history, from which a new record goes on.
struct Database::Known {
    std::optional<std::int64_t> revision;
    std::int64_t last = 0;
    std::vector<std::vector<std::string>> fields;
};

// What a batch knows and holds back. Only the records of a batch's size are known at a
// time: memory stays flat whatever the number of writes.
struct Database::Batch {
    using Key = std::pair<std::string, std::string>;   // file, key
    static constexpr std::size_t kWrites = 1000;

    std::map<Key, Known> known;
    // The keys written but not sent, each with the revision that the engine has of it:
    // none for a record it does not have.
    std::map<Key, std::optional<std::int64_t>> unsent;
    struct Written {
        Key key;
        std::int64_t revision;
        std::vector<std::vector<std::string>> fields;
    };
    std::vector<Written> written;
    // The answers of selects, by statement and parameters, with the file each reads.
    std::map<std::string, std::pair<std::string, ResultTable>> answers;

    // Whether a write held back could be among the rows of a select of the file.
    template <class MayFind>
    bool holdsWriteFor(const std::string& file, MayFind&& mayFind) const {
        for (auto w = unsent.lower_bound({file, std::string()}); w != unsent.end() && w->first.first == file; ++w)
            if (mayFind(w->first.second))
                return true;
        return false;
    }
    void forgetAnswersOf(const std::string& file) {
        for (auto a = answers.begin(); a != answers.end();)
            a = a->second.first == file ? answers.erase(a) : std::next(a);
    }
};

}  // namespace ondrel
