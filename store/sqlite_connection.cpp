#include "store/sqlite_connection.h"

#include <filesystem>

#include <unistd.h>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include "data/data_error.h"
#include "store/row_writes.h"
#include "store/sqlite_checkpoints.h"
#include "store/sqlite_layout.h"
#include "store/statement_cache.h"
#include "store/store_error.h"

namespace ondrel {

namespace {

constexpr int kBusyTimeoutMs = 5000;

template <class Work>
auto guarded(const std::string& what, Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const SQLite::Exception& e) {
        throw storeError(what, e);
    }
}

// A path as an SQLite URI, for the flags that only a URI can carry.
std::string fileUri(const std::string& path, const char* query) {
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?" + query;
}

class SqliteRow final : public Row {
public:
    explicit SqliteRow(SQLite::Statement& q) : q_(q) {}
    bool isNull(int column) const override { return q_.isColumnNull(column); }
    std::string_view text(int column) const override {
        const SQLite::Column c = q_.getColumn(column);
        return {c.getText(), static_cast<std::size_t>(c.getBytes())};
    }
    std::int64_t integer(int column) const override { return q_.getColumn(column).getInt64(); }

private:
    SQLite::Statement& q_;
};

void bind(SQLite::Statement& q, const Params& params) {
    int n = 1;
    for (const auto& p : params) {
        if (const auto* i = std::get_if<std::int64_t>(&p))
            q.bind(n++, *i);
        else
            q.bind(n++, std::get<std::string>(p));
    }
}

class SqliteConnection final : public Connection {
public:
    // One connection serves one thread: SQLite's own locking of each call is left out.
    SqliteConnection(const std::string& path, const std::string& name, int flags)
        : path_(path), db_(name, flags | SQLITE_OPEN_NOMUTEX, kBusyTimeoutMs),
          readOnly_((flags & SQLite::OPEN_READONLY) != 0) {
        // A committed write survives a power cut, not only a crash of the program.
        // A setting of the connection: nothing is written into the file.
        db_.exec("PRAGMA synchronous=FULL");
        // A long list is sorted in memory, never spilled to a temporary file, and the
        // pages of a large entity stay in the connection's cache from one keystroke to
        // the next.
        db_.exec("PRAGMA temp_store=MEMORY");
        db_.exec("PRAGMA cache_size=-32768");
        if (!readOnly_)
            checkpoints_ = std::make_unique<SqliteCheckpoints>(db_.getHandle(), name);
    }

    void makeTables() {
        db_.exec("PRAGMA journal_mode=WAL");
        SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
        makeSqliteTables(db_);
        db_.exec("PRAGMA application_id=" + std::to_string(kSqliteApplicationId));
        db_.exec("PRAGMA user_version=" + std::to_string(kSqliteLayout));
        tx.commit();
    }

    // A file of an earlier version takes the current tables the first time it is opened
    // for writing, in one transaction; a reader cannot bring it up to date.
    void checkMark() {
        int version = 0;
        try {
            if (db_.execAndGet("PRAGMA application_id").getInt() == kSqliteApplicationId)
                version = db_.execAndGet("PRAGMA user_version").getInt();
        } catch (const SQLite::Exception& e) {
            if (e.getErrorCode() != SQLITE_NOTADB)
                throw storeError("lecture de " + path_, e);
        }
        if (version == kSqliteLayout)
            return;
        if (version != 1 && version != 2)
            throw DataError(kNotOurDatabase, notOurDatabase(path_));
        if (readOnly_)
            throw DataError(kNotOurDatabase, "La base « " + path_ + " » a été faite par une version précédente "
                                             "d'Ondrel : ouvrez-la une fois en écriture pour la mettre à jour.");
        guarded("mise à jour de " + path_, [&] {
            SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
            upgradeSqliteTables(db_, version);
            db_.exec("PRAGMA user_version=" + std::to_string(kSqliteLayout));
            tx.commit();
        });
    }

    void query(const std::string& sql, const Params& params, const EachRow& each) override {
        guarded("lecture", [&] {
            Use q(statement(sql));
            bind(*q, params);
            SqliteRow row(*q);
            while (q->executeStep())
                each(row);
        });
    }

    // A statement of its own, not a cached one: each row's visitor may query meanwhile.
    void stream(const std::string& sql, const Params& params, const EachRow& each) override {
        guarded("lecture", [&] {
            SQLite::Statement q(db_, sql);
            bind(q, params);
            SqliteRow row(q);
            while (q.executeStep())
                each(row);
        });
    }

    std::int64_t exec(const std::string& sql, const Params& params) override {
        return guarded("écriture", [&] {
            Use q(statement(sql));
            bind(*q, params);
            return static_cast<std::int64_t>(q->exec());
        });
    }

    // One prepared statement for every row; the columns' types turn the texts of
    // numbers into numbers.
    void append(const std::string& table, const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows) override {
        std::string sql = "INSERT INTO " + table + "(";
        std::string marks;
        for (const auto& column : columns) {
            sql += (marks.empty() ? "" : ", ") + column;
            marks += marks.empty() ? "?" : ", ?";
        }
        sql += ") VALUES(" + marks + ")";
        guarded("écriture", [&] {
            Use q(statement(sql));
            for (const auto& row : rows) {
                for (std::size_t i = 0; i < row.size(); ++i)
                    q->bind(static_cast<int>(i + 1), row[i]);
                q->exec();
                q->reset();
            }
        });
    }

    std::vector<std::int64_t> writeRecords(const std::vector<RecordWrite>& writes, const std::string& author) override {
        return writeRowByRow(*this, writes, author);
    }

    void removeRecord(const std::string& file, const std::string& key, std::int64_t seen,
                      const std::string& author) override {
        removeRowByRow(*this, file, key, seen, author);
    }

    void createFile(const std::string& name) override {
        exec("INSERT INTO file(name) VALUES(?) ON CONFLICT DO NOTHING", {name});
    }

    // An immediate transaction takes the file's write lock first: a second writer waits
    // for the first to end before it reads what it is about to change.
    void inTransaction(const std::function<void()>& work) override {
        if (depth_ > 0) {
            work();
            return;
        }
        guarded("transaction", [&] {
            SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
            struct Depth {
                int& d;
                explicit Depth(int& depth) : d(depth) { ++d; }
                ~Depth() { --d; }
            } depth(depth_);
            work();
            tx.commit();   // the destructor rolls back on any exception before this line
        });
    }

    std::vector<std::string> plan(const std::string& sql, const Params& params) override {
        return guarded("plan", [&] {
            SQLite::Statement q(db_, "EXPLAIN QUERY PLAN " + sql);
            bind(q, params);
            std::vector<std::string> steps;
            while (q.executeStep())
                steps.push_back(q.getColumn(3).getString());
            return steps;
        });
    }

    bool readOnly() const override { return readOnly_; }
    std::string engine() const override { return std::string("SQLite ") + sqlite3_libversion(); }
    std::string location() const override { return path_; }
    std::optional<std::string> serverUser() override { return std::nullopt; }
    bool grantAccess(const std::string&, bool) override { return true; }
    // SQLite plans these statements from its indexes alone.
    void refreshStatistics(const std::map<std::string, std::size_t>&) override {}
    std::size_t cachedStatements() const override { return cache_.size(); }

private:
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

    std::shared_ptr<SQLite::Statement> statement(const std::string& sql) {
        auto q = cache_.get(sql, [&](const std::string& text) { return std::make_shared<SQLite::Statement>(db_, text); });
        q->clearBindings();
        return q;
    }

    std::string path_;
    SQLite::Database db_;
    bool readOnly_;
    int depth_ = 0;
    StatementCache<SQLite::Statement> cache_;
    std::unique_ptr<SqliteCheckpoints> checkpoints_;   // stops before the connection closes
};

}  // namespace

// Opening writes nothing, unless a file of an earlier version is brought up to date.
// A file without our mark is refused untouched; one that cannot be written opens for
// consultation.
std::unique_ptr<Connection> openSqlite(const std::string& path, Access access) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw DataError(kFileNotFound, missingDatabase(path));
    if (std::filesystem::is_directory(path, ec))
        throw DataError(kNotOurDatabase, folderNotDatabase(path));
    if (access == Access::Automatic)
        access = ::access(path.c_str(), W_OK) == 0 ? Access::ReadWrite : Access::ReadOnly;
    auto connection = guarded("ouverture de " + path, [&] {
        if (access == Access::ReadWrite)
            return std::make_unique<SqliteConnection>(path, path, SQLite::OPEN_READWRITE);
        try {
            return std::make_unique<SqliteConnection>(path, path, SQLite::OPEN_READONLY);
        } catch (const SQLite::Exception&) {
            // A write-protected folder leaves no room for the shared-memory file of the
            // journal: the database is read as a file that nobody changes meanwhile.
            return std::make_unique<SqliteConnection>(path, fileUri(path, "immutable=1"),
                                                      SQLite::OPEN_READONLY | SQLite::OPEN_URI);
        }
    });
    connection->checkMark();
    return connection;
}

std::unique_ptr<Connection> createSqlite(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        throw DataError(kStoreFailure, "« " + path + " » existe déjà : une base n'est jamais créée par-dessus un fichier.");
    return guarded("création de " + path, [&] {
        auto connection = std::make_unique<SqliteConnection>(path, path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        connection->makeTables();
        return connection;
    });
}

}  // namespace ondrel
