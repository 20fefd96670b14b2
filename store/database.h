// store: the database of the suite behind the data service, in an SQLite file or on a
// PostgreSQL server, with its history and, on a server, its rules. Stands on data.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/data_error.h"
#include "data/record.h"
#include "data/result_table.h"
#include "store/access.h"
#include "store/record_rows.h"
#include "store/statement_cache.h"

namespace ondrel {

class Connection;
class File;

// One revision of a record as the history keeps it: who wrote it, when, and what the
// record held then; a deletion holds nothing.
struct Revision {
    std::int64_t number = 0;
    std::string author;
    std::string at;   // UTC, yyyy-mm-dd hh:mm:ss
    bool deleted = false;
    std::vector<std::vector<std::string>> fields;
};

// The database of the suite: every file, in one SQLite file or in one PostgreSQL
// database. Shared by the handles and records made from it, which keep it open.
class Database : public std::enable_shared_from_this<Database> {
public:
    using Access = ondrel::Access;
    // Opens an existing database of the suite: a file path, or a postgresql:// URI.
    // For consultation only when asked, or when the file or the server's rights allow
    // no writing. Writes nothing, and refuses a database that the tools did not make.
    static std::shared_ptr<Database> open(const std::string& location, Access access = Access::Automatic);
    // A postgresql:// or postgres:// URI names a server database; anything else, a file.
    static bool isServer(const std::string& location);
    // A location as a person may read it: a server's URI without its password.
    static std::string readable(const std::string& location);
    // Makes a new database with the tables and the mark of the suite: a new file, or
    // the tables in a server database that holds none of them.
    static std::shared_ptr<Database> create(const std::string& location);
    ~Database();

    bool readOnly() const;
    // The engine and its version: "SQLite 3.40.1", "PostgreSQL 15.18".
    std::string engine() const;
    // Where the database is, without any password.
    std::string location() const;
    // The user whose rights apply and whose name the history keeps. A server names the
    // role it authenticated, whatever the program claims; a file takes the claim.
    const std::string& signIn(const std::string& claimed);
    const std::string& user() const { return user_; }

    File OpenFile(const std::string& name);
    // The request text of a Request; the other two arguments are not used.
    ResultTable RunSelect(const std::string& request, const std::string& options = {}, int* status = nullptr);

    // How the engine answers a select: one line a step of its plan.
    std::string selectPlan(const std::string& request);

    // For the tools: files, their keys, and writes outside a screen.
    void createFile(const std::string& name);
    std::vector<std::string> fileNames();
    // Whether the file is in the database: the files of our own are made at their first write.
    bool fileExists(const std::string& name);
    std::vector<std::string> keys(const std::string& file);
    // A stamp of the records of a file whose keys begin with a non-empty ASCII prefix: it changes
    // whenever one of them is written, created or deleted, by any desk or tool, and
    // costs a scan of those keys alone. How a view sees the database change under it.
    std::string changeStamp(const std::string& file, const std::string& prefix);
    std::optional<Record> read(const std::string& file, const std::string& key);
    // Every record of a file in key order, read a batch at a time: memory stays flat
    // whatever the size of the file. With a prefix, only the records whose keys begin
    // with it (a year of an entity, "N0001"), in one trip however many.
    void forEachRecord(const std::string& file, const std::function<void(const Record&)>& visit,
                       const std::string& keyPrefix = {});
    // Stores the record and gives its new revision. A record read from the database
    // is written only over the revision it was read at, a new one only where no record
    // has its key; otherwise nothing is written (kRecordChanged).
    std::int64_t write(const std::string& file, const Record& record);
    // Records of keys that the database has never held, stored at their first revision
    // as write stores them, but a batch of rows at a time: how the copy fills a new
    // database. On a server only the owner of the tables may load.
    class Loader;
    void load(const std::function<void(Loader&)>& fill);
    // Deletes the record, on the same terms as write.
    void remove(const std::string& file, const Record& record);
    // Deletes whatever record has the key; an absent key is no failure.
    // Deletes the records of the keys, whatever is stored under each, an absent key
    // passed over: one trip to a server for them all.
    void remove(const std::string& file, const std::vector<std::string>& keys);
    void remove(const std::string& file, const std::string& key);
    // Every revision of a record, oldest first, deleted or not.
    std::vector<Revision> history(const std::string& file, const std::string& key);
    // The greatest key beginning with prefix that a record of the file ever had, stored
    // or deleted; empty when none.
    std::string lastKeyInHistory(const std::string& file, const std::string& prefix);

    // The rights store: the access level of a user for a screen key.
    struct AccessLevel {
        std::string user;
        std::string screenKey;
        std::int32_t level = 0;
    };
    std::vector<AccessLevel> accessLevels();
    std::optional<std::int32_t> accessLevel(const std::string& user, const std::string& screenKey);
    void setAccessLevel(const std::string& user, const std::string& screenKey, std::int32_t level);
    // On a server, lets the role read the records, and write them when it may; false
    // when the server has no role of that name.
    bool grantAccess(const std::string& user, bool write);

    // Runs several writes as one transaction: all land, or none.
    void inOneTransaction(const std::function<void()>& work);
    // Runs work as inOneTransaction does, for a program that writes many records
    // through this handle alone: a record is read from the engine once, a select asked
    // again is answered from its first answer, and the writes go a batch at a time,
    // each checked on the terms of write. The engine has them before it answers any
    // question they could change, and before work ends; a record that another desk
    // changed since the batch read it refuses the batch then (kRecordChanged), even
    // one that the tools built whole.
    void inOneBatch(const std::function<void()>& work);
    // In a batch, reads at once the records of keys that work is about to read one by
    // one: a trip for them all instead of one a key. Outside a batch, does nothing.
    void readAhead(const std::string& file, const std::vector<std::string>& keys);
    // In a batch, reads at once every record whose key begins with prefix, and where the
    // history of each such key ends: keys about to be written under it, such as the lines
    // of a new version, are then known without a trip, stored or not. For a prefix under
    // which few records are stored; outside a batch, does nothing.
    void readAheadUnder(const std::string& file, const std::string& prefix);

    // The record of a new key, written only while no record has it.
    Record newRecord(const std::string& file, std::string key, std::vector<std::vector<std::string>> fields = {});
    // A record that the tools build whole, stored over whatever has its key.
    Record makeRecord(const std::string& file, std::string key, std::vector<std::vector<std::string>> fields);

    // How many statements are kept prepared.
    std::size_t cachedStatements() const;

private:
    struct PreparedSelect;
    struct Batch;
    explicit Database(std::unique_ptr<Connection> connection);
    Record stored(const std::string& file, std::string key, std::vector<std::vector<std::string>> fields,
                  std::int64_t revision);
    std::shared_ptr<const PreparedSelect> prepareSelect(const std::string& request);
    struct Listed;
    static std::vector<std::vector<std::string>> sortedRows(Listed listed);
    void requireFile(const std::string& name);
    void requireKnownFile(const std::string& name);
    DataError changedMeanwhile(const std::string& file, const std::string& key) const;
    struct Known;
    Known& known(const std::string& file, const std::string& key);
    void learn(const std::string& file, const std::vector<std::string>& keys);
    std::int64_t writeInBatch(const std::string& file, const Record& record);
    void sendHeldWrites();
    void sendWrites();
    void send(const Batch& sent);

    std::unique_ptr<Connection> connection_;
    std::string user_;
    std::set<std::string> knownFiles_;
    int transactionDepth_ = 0;
    std::map<std::string, std::size_t> writesInTransaction_;   // by file
    std::unique_ptr<Batch> batch_;
    // A select sentence seen before is not parsed again: the screen asks the same few
    // at each keystroke.
    StatementCache<const PreparedSelect> selects_;
};

class Database::Loader {
public:
    void put(const std::string& file, const Record& record);

private:
    friend class Database;
    Loader(Database& db, std::string at) : db_(db), at_(std::move(at)) {}
    void flush();

    static constexpr std::size_t kBatch = 5000;
    Database& db_;
    std::string at_;
    std::size_t count_ = 0;
    RecordRows rows_;
};

// A handle on one file of the database.
class File {
public:
    File(std::shared_ptr<Database> db, std::string name) : db_(std::move(db)), name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    // Raises kRecordNotFound for an absent key.
    Record ReadRecord(const std::string& key);
    // The record of the key, none for an absent key: what ReadRecord reads, for a
    // caller that expects many keys to be absent and tells it as ReadRecord would.
    std::optional<Record> FindRecord(const std::string& key);
    // What ReadRecord raises for an absent key.
    std::string absentKey(const std::string& key) const;
    // The record of the key, empty and new for a new key; nothing is stored before
    // DBWrite.
    Record OpenRecordForWrite(const std::string& key);
    // Afterwards no record of the key exists, unless another writer changed it since
    // it was read: then nothing is deleted (kRecordChanged). A record deleted
    // meanwhile is a change too.
    void DeleteRecord(const Record& record);

private:
    std::shared_ptr<Database> db_;
    std::string name_;
};

}  // namespace ondrel
