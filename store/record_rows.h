#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ondrel {

class Connection;

// Field num of a record being read back, its values split.
void putField(std::vector<std::vector<std::string>>& fields, std::int64_t num, std::string_view whole);

// The time of a revision, UTC, to the second: yyyy-mm-dd hh:mm:ss.
std::string revisionTime();

// The rows that revisions of records make in the four tables, each value a text, kept
// until they go to the engine together: how a load and a batch of writes send them.
class RecordRows {
public:
    void addRecord(const std::string& file, const std::string& key, std::int64_t revision);
    void addFields(const std::string& file, const std::string& key, const std::vector<std::vector<std::string>>& fields);
    void addRevision(const std::string& file, const std::string& key, std::int64_t revision, const std::string& author,
                     const std::string& at, const std::vector<std::vector<std::string>>& fields);
    // Appends every row kept to its table, then keeps none.
    void appendTo(Connection& connection);

private:
    std::vector<std::vector<std::string>> records_, fields_, revisions_, revisionFields_;
};

}  // namespace ondrel
