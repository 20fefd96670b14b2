#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "data/record.h"

namespace ondrel {

// One row of an answer, its columns numbered from 0.
class Row {
public:
    virtual bool isNull(int column) const = 0;
    virtual std::string_view text(int column) const = 0;
    virtual std::int64_t integer(int column) const = 0;

protected:
    ~Row() = default;
};

using Param = std::variant<std::int64_t, std::string>;
using Fields = std::vector<std::vector<std::string>>;

// One revision of a record to store: over the revision it was read at, only where no
// record has its key (kNewRecord), or over whatever is stored (kAnyRevision).
struct RecordWrite {
    std::string file;
    std::string key;
    std::int64_t seen = 0;
    Fields fields;
};
using Params = std::vector<Param>;
using EachRow = std::function<void(const Row&)>;

// A connection to the tables of the suite, in SQLite's embedded file or on a PostgreSQL
// server. Statements are written once, with ? for their parameters, in the SQL that
// both accept; each connection prepares a statement once and keeps it.
class Connection {
public:
    virtual ~Connection() = default;

    virtual void query(const std::string& sql, const Params& params, const EachRow& each) = 0;
    // The rows fetched a batch at a time, so that memory stays flat whatever their
    // number; each may query the same connection meanwhile.
    virtual void stream(const std::string& sql, const Params& params, const EachRow& each) = 0;
    // The number of rows changed.
    virtual std::int64_t exec(const std::string& sql, const Params& params) = 0;
    // All the writes of work land, or none; a transaction begun inside joins this one.
    // Writers to one record wait for each other.
    virtual void inTransaction(const std::function<void()>& work) = 0;
    // Rows added to a table in as few trips as the engine allows, each value a text:
    // the bulk load, whose rows are made whole by the load itself. On a server only
    // the owner of the tables may load.
    virtual void append(const std::string& table, const std::vector<std::string>& columns,
                        const std::vector<std::vector<std::string>>& rows) = 0;
    // Stores each write, in their order, as the next revision of its record with its
    // history, and gives each its revision. The first that finds its record changed
    // since it was read refuses them all (kRecordChanged): nothing is written.
    virtual std::vector<std::int64_t> writeRecords(const std::vector<RecordWrite>& writes, const std::string& author) = 0;
    // Deletes the record on the same terms, and keeps the deletion as its last
    // revision; with kAnyRevision, an absent key is no failure.
    virtual void removeRecord(const std::string& file, const std::string& key, std::int64_t seen,
                              const std::string& author) = 0;
    // Deletes the records of the keys, whatever their revisions, an absent key passed
    // over; each deletion kept as the last revision of its key.
    virtual void removeRecords(const std::string& file, const std::vector<std::string>& keys, const std::string& author) {
        for (const auto& key : keys)
            removeRecord(file, key, kAnyRevision, author);
    }
    // Makes the file where it does not exist yet.
    virtual void createFile(const std::string& name) = 0;
    // How the engine answers a statement, one line a step.
    virtual std::vector<std::string> plan(const std::string& sql, const Params& params) = 0;

    virtual bool readOnly() const = 0;
    // The engine and its version, as a person reads it.
    virtual std::string engine() const = 0;
    // Where the database is, as a person reads it: the file, or the server without
    // its password.
    virtual std::string location() const = 0;
    // The user that the server authenticated; none for a file, whose user is the one
    // the program names.
    virtual std::optional<std::string> serverUser() = 0;
    // Lets a server role read the suite's records, and write them when it may write;
    // false when the server has no such role. A file is protected by its own
    // permissions, so there it does nothing.
    virtual bool grantAccess(const std::string& user, bool write) = 0;
    // Brings the engine's statistics up to date after a transaction that wrote, file by
    // file, that many records, when they are far more than the statistics foresee, so
    // that the next select is planned for the tables as they now are.
    virtual void refreshStatistics(const std::map<std::string, std::size_t>& writesByFile) = 0;
    // How many statements are kept prepared.
    virtual std::size_t cachedStatements() const = 0;
};

// Statements of many rows: head, the marks of each row, then tail; as many rows a
// statement as both engines take parameters. each sees the rows that come back.
void manyRows(Connection& connection, const std::string& head, const std::string& marks, const std::string& tail,
              const std::vector<Params>& rows, const EachRow& each = {});

}  // namespace ondrel
