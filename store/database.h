#pragma once

#include <functional>
#include <list>
#include <unordered_map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include "data/record.h"
#include "data/result_table.h"

namespace ondrel {

class File;

// The database of the suite: every file in one SQLite database file.
// Shared by the handles and records made from it, which keep it open.
class Database : public std::enable_shared_from_this<Database> {
public:
    enum class Access { Automatic, ReadWrite, ReadOnly };
    // Opens an existing database of the suite, for consultation only when asked or
    // when the file cannot be written. Writes nothing into the file, and refuses one
    // that the tools did not make.
    static std::shared_ptr<Database> open(const std::string& path, Access access = Access::Automatic);
    // Makes a new database file with the tables and the mark of the suite; never over
    // an existing file.
    static std::shared_ptr<Database> create(const std::string& path);
    bool readOnly() const { return readOnly_; }
    // The version of the SQLite library in use.
    static std::string engineVersion();

    File OpenFile(const std::string& name);
    // The request text of a Request; the other two arguments are not used.
    ResultTable RunSelect(const std::string& request, const std::string& options = {}, int* status = nullptr);

    // How SQLite answers a select: one line a step of its plan.
    std::string selectPlan(const std::string& request);

    // For the tools: files, their keys, and writes outside a screen.
    void createFile(const std::string& name);
    std::vector<std::string> fileNames();
    std::vector<std::string> keys(const std::string& file);
    std::optional<Record> read(const std::string& file, const std::string& key);
    // Every record of a file in key order, read through one cursor: memory stays flat
    // whatever the size of the file.
    void forEachRecord(const std::string& file, const std::function<void(const Record&)>& visit);
    void write(const std::string& file, const Record& record);
    void remove(const std::string& file, const std::string& key);

    // The rights store: the access level of a user for a screen key.
    std::optional<std::int32_t> accessLevel(const std::string& user, const std::string& screenKey);
    void setAccessLevel(const std::string& user, const std::string& screenKey, std::int32_t level);

    // Runs several writes as one transaction: all land, or none.
    void inOneTransaction(const std::function<void()>& work);

    // A record of the file whose DBWrite stores it here.
    Record makeRecord(const std::string& file, std::string key, std::vector<std::vector<std::string>> fields);

    SQLite::Database& sql() { return db_; }
    // How many statements are kept prepared.
    std::size_t cachedStatements() const { return recent_.size(); }
    const std::string& path() const { return path_; }

private:
    struct PreparedSelect;
    Database(const std::string& path, const std::string& name, int flags);
    void checkMark();
    PreparedSelect prepareSelect(const std::string& request);
    static void bindSelect(SQLite::Statement& q, const PreparedSelect& p);
    static std::vector<std::vector<std::string>> sortedRows(std::vector<std::vector<std::string>> rows,
                                                            const std::vector<std::string>& keys,
                                                            const PreparedSelect& p);
    // A cached statement, reset when the use ends so that it never holds a read
    // snapshot open: a snapshot kept past its use would make the next write fail at once.
    class Use {
    public:
        explicit Use(std::shared_ptr<SQLite::Statement> q) : q_(std::move(q)) {}
        ~Use() { q_->tryReset(); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        SQLite::Statement* operator->() { return q_.get(); }
        SQLite::Statement& operator*() { return *q_; }

    private:
        std::shared_ptr<SQLite::Statement> q_;
    };
    Use statement(const std::string& sql);
    bool fileExists(const std::string& name);
    void writeFields(const std::string& file, const Record& record);
    void removeFields(const std::string& file, const std::string& key);

    std::string path_;
    SQLite::Database db_;
    static constexpr std::size_t kCachedStatements = 64;
    using Cached = std::pair<std::string, std::shared_ptr<SQLite::Statement>>;
    std::list<Cached> recent_;   // most recently used first
    std::unordered_map<std::string, std::list<Cached>::iterator> statements_;
    int transactionDepth_ = 0;
    bool readOnly_ = false;
};

// A handle on one file of the database.
class File {
public:
    File(std::shared_ptr<Database> db, std::string name) : db_(std::move(db)), name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    // Raises kRecordNotFound for an absent key.
    Record ReadRecord(const std::string& key);
    // The record of the key, empty for a new key; nothing is stored before DBWrite.
    Record OpenRecordForWrite(const std::string& key);
    // Afterwards no record of the key exists; an absent key is no failure.
    void DeleteRecord(const std::string& key);

private:
    std::shared_ptr<Database> db_;
    std::string name_;
};

}  // namespace ondrel
