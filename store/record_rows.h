#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ondrel {

class Connection;

// The time of a revision, UTC, to the second: yyyy-mm-dd hh:mm:ss.
std::string revisionTime();

// What a select on the label reads: field 1 folded, its values joined; empty when the
// record has no field 1.
std::string labelFold(const std::vector<std::vector<std::string>>& fields);

// The rows that revisions of records make, a row a record and a row a revision, each
// value a text, kept until they go to the engine together: how a load and a batch of
// writes send them. The fields come as the array that both rows hold.
class RecordRows {
public:
    void addRecord(const std::string& file, const std::string& key, std::int64_t revision, const std::string& fields,
                   const std::string& labelFold);
    void addRevision(const std::string& file, const std::string& key, std::int64_t revision, const std::string& author,
                     const std::string& at, const std::string& fields);
    // Appends every row kept to its table, then keeps none.
    void appendTo(Connection& connection);

private:
    std::vector<std::vector<std::string>> records_, revisions_;
};

}  // namespace ondrel
