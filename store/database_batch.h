#pragma once

#include <exception>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "store/connection.h"
#include "store/database.h"

namespace ondrel {

// The smallest text greater than every text that begins with prefix, in byte order;
// empty when there is none.
std::string prefixEnd(std::string prefix);

// The records of a file, a row each with its revision, fields and folded key; followed
// by the conditions on r.key or r.key_fold.
inline constexpr const char* kRecordsOfFile = "SELECT r.key, r.revision, r.fields, r.key_fold FROM record r WHERE r.file = ?";

// A record as the transaction of a batch has it: absent, or at a revision with its
// fields; and the last revision of its history, from which a new record goes on.
struct Database::Known {
    std::optional<std::int64_t> revision;
    std::int64_t last = 0;
    std::vector<std::vector<std::string>> fields;
};

// What a batch knows and holds back. It sends its writes and forgets what it knows
// once it holds kWrites of them or knows kKnown records: memory stays flat whatever
// the number of writes.
struct Database::Batch {
    using Key = std::pair<std::string, std::string>;   // file, key
    static constexpr std::size_t kWrites = 1000;
    static constexpr std::size_t kKnown = 20 * 1000;

    std::map<Key, Known> known;
    // Files and key prefixes under which the batch knows every key, stored or not.
    std::set<Key> knownPrefixes;
    bool knowsAllUnder(const std::string& file, const std::string& key) const {
        return underOneOf(knownPrefixes, file, key);
    }
    // Files and folded prefixes under which the batch knows every stored record, and
    // the folded keys of the stored records it knows: a list by key prefix under one of
    // them is answered from what the batch knows, its own writes included.
    std::set<Key> listedFolds;
    std::set<std::tuple<std::string, std::string, std::string>> folded;   // file, folded key, key
    bool lists(const std::string& file, const std::string& fold) const {
        return underOneOf(listedFolds, file, fold);
    }
    static bool underOneOf(const std::set<Key>& prefixes, const std::string& file, const std::string& text) {
        for (const auto& [f, prefix] : prefixes)
            if (f == file && text.compare(0, prefix.size(), prefix) == 0)
                return true;
        return false;
    }
    void forget() {
        known.clear();
        knownPrefixes.clear();
        listedFolds.clear();
        folded.clear();
        answers.clear();
    }
    // The writes not sent yet, in their order, each over the revision the batch had
    // of its record, and the revisions they will take.
    std::vector<RecordWrite> written;
    std::vector<std::int64_t> revisions;
    // Why sending the batch failed, once it has: the engine has given up its
    // transaction, and every later question of the batch ends with that failure.
    std::exception_ptr failure;
    void endIfFailed() const {
        if (failure)
            std::rethrow_exception(failure);
    }
    // The answers of selects, by statement and parameters, with the file each reads.
    std::map<std::string, std::pair<std::string, ResultTable>> answers;

    // The same keys folded, as selects test them.
    std::set<Key> unsentFolds;

    // Whether a write held back could be among the rows of a select of the file: of a
    // key of that fold, or beginning with it, or any when the select tests no key.
    bool holdsWriteFor(const std::string& file, const std::optional<std::string>& fold, bool prefix) const {
        const auto w = unsentFolds.lower_bound({file, fold.value_or(std::string())});
        if (w == unsentFolds.end() || w->first != file)
            return false;
        return !fold || (prefix ? w->second.compare(0, fold->size(), *fold) == 0 : w->second == *fold);
    }
    void forgetAnswersOf(const std::string& file) {
        for (auto a = answers.begin(); a != answers.end();)
            a = a->second.first == file ? answers.erase(a) : std::next(a);
    }
};

}  // namespace ondrel
