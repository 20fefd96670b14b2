#include "store/database.h"

#include <SQLiteCpp/Transaction.h>

#include "data/data_error.h"
#include "data/request.h"
#include "data/select_sentence.h"
#include "data/text_fold.h"

namespace ondrel {

namespace {

constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS file(name TEXT PRIMARY KEY) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS record(
    file TEXT NOT NULL, key TEXT NOT NULL, key_fold TEXT NOT NULL,
    PRIMARY KEY(file, key)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS record_by_fold ON record(file, key_fold);
CREATE TABLE IF NOT EXISTS field(
    file TEXT NOT NULL, key TEXT NOT NULL, num INTEGER NOT NULL,
    whole TEXT NOT NULL, fold TEXT NOT NULL,
    PRIMARY KEY(file, key, num)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS field_by_fold ON field(file, num, fold);
CREATE TABLE IF NOT EXISTS rights(
    user TEXT NOT NULL, screen TEXT NOT NULL, level INTEGER NOT NULL,
    PRIMARY KEY(user, screen)) WITHOUT ROWID;
)sql";

// Every SQLite failure leaves the service as a DataError.
template <class Work>
auto guarded(const std::string& what, Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const SQLite::Exception& e) {
        throw DataError(kStoreFailure, what + ": " + e.what());
    }
}

// The smallest text greater than every text that begins with prefix, in byte order;
// empty when there is none.
std::string prefixEnd(std::string prefix) {
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.pop_back();
    if (!prefix.empty())
        prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

void checkValues(const Record& record) {
    if (record.key().find(kValueMark) != std::string::npos)
        throw DataError(kBadValue, "a key holds the value separator (character 30)");
    for (const auto& values : record.fields())
        for (const auto& v : values)
            if (v.find(kValueMark) != std::string::npos)
                throw DataError(kBadValue, "record " + record.key() + ": a value holds the value separator (character 30)");
}

}  // namespace

std::shared_ptr<Database> Database::open(const std::string& path, bool create) {
    int flags = SQLite::OPEN_READWRITE | (create ? SQLite::OPEN_CREATE : 0);
    return guarded("cannot open database " + path,
                   [&] { return std::shared_ptr<Database>(new Database(path, flags)); });
}

Database::Database(const std::string& path, int flags) : path_(path), db_(path, flags, kBusyTimeoutMs) {
    db_.exec("PRAGMA journal_mode=WAL");
    // A committed write survives a power cut, not only a crash of the program.
    db_.exec("PRAGMA synchronous=FULL");
    SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
    db_.exec(kSchema);
    tx.commit();
}

// The most recently used statements stay prepared; a long session of varied selects
// drops the oldest instead of growing without bound. A statement still in use stays
// alive through its Use even when it leaves the cache.
Database::Use Database::statement(const std::string& sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second);
    } else {
        recent_.emplace_front(sql, std::make_shared<SQLite::Statement>(db_, sql));
        statements_[sql] = recent_.begin();
        if (recent_.size() > kCachedStatements) {
            statements_.erase(recent_.back().first);
            recent_.pop_back();
        }
    }
    auto q = recent_.front().second;
    q->clearBindings();
    return Use(std::move(q));
}

void Database::inOneTransaction(const std::function<void()>& work) {
    if (transactionDepth_ > 0) {
        work();
        return;
    }
    guarded("transaction", [&] {
        SQLite::Transaction tx(db_, SQLite::TransactionBehavior::IMMEDIATE);
        struct Depth {
            int& d;
            explicit Depth(int& depth) : d(depth) { ++d; }
            ~Depth() { --d; }
        } depth(transactionDepth_);
        work();
        tx.commit();   // the destructor rolls back on any exception before this line
    });
}

bool Database::fileExists(const std::string& name) {
    auto q = statement("SELECT 1 FROM file WHERE name = ?");
    q->bind(1, name);
    return q->executeStep();
}

void Database::createFile(const std::string& name) {
    guarded("cannot create file " + name, [&] {
        auto q = statement("INSERT OR IGNORE INTO file(name) VALUES(?)");
        q->bind(1, name);
        q->exec();
    });
}

std::vector<std::string> Database::fileNames() {
    return guarded("cannot list files", [&] {
        std::vector<std::string> names;
        auto q = statement("SELECT name FROM file ORDER BY name");
        while (q->executeStep())
            names.push_back(q->getColumn(0).getString());
        return names;
    });
}

std::vector<std::string> Database::keys(const std::string& file) {
    return guarded("cannot list the keys of " + file, [&] {
        std::vector<std::string> keys;
        auto q = statement("SELECT key FROM record WHERE file = ? ORDER BY key");
        q->bind(1, file);
        while (q->executeStep())
            keys.push_back(q->getColumn(0).getString());
        return keys;
    });
}

File Database::OpenFile(const std::string& name) {
    bool exists = guarded("cannot open file " + name, [&] { return fileExists(name); });
    if (!exists)
        throw DataError(kFileNotFound, "the file " + name + " does not exist in " + path_);
    return File(shared_from_this(), name);
}

Record Database::makeRecord(const std::string& file, std::string key,
                            std::vector<std::vector<std::string>> fields) {
    std::weak_ptr<Database> self = weak_from_this();
    return Record(std::move(key), std::move(fields), [self, file](const Record& r) {
        auto db = self.lock();
        if (!db)
            throw DataError(kStoreFailure, "the database of record " + r.key() + " is closed");
        db->write(file, r);
    });
}

std::optional<Record> Database::read(const std::string& file, const std::string& key) {
    return guarded("cannot read " + file + " " + key, [&]() -> std::optional<Record> {
        auto q = statement(
            "SELECT f.num, f.whole FROM record r"
            " LEFT JOIN field f ON f.file = r.file AND f.key = r.key"
            " WHERE r.file = ? AND r.key = ? ORDER BY f.num");
        q->bind(1, file);
        q->bind(2, key);
        bool found = false;
        std::vector<std::vector<std::string>> fields;
        while (q->executeStep()) {
            found = true;
            if (q->getColumn(0).isNull())
                continue;
            int num = q->getColumn(0).getInt();
            if (num < 1)
                continue;
            if (static_cast<std::size_t>(num) > fields.size())
                fields.resize(num);
            fields[num - 1] = splitValues(q->getColumn(1).getString());
        }
        if (!found)
            return std::nullopt;
        return makeRecord(file, key, std::move(fields));
    });
}

void Database::removeFields(const std::string& file, const std::string& key) {
    auto q = statement("DELETE FROM field WHERE file = ? AND key = ?");
    q->bind(1, file);
    q->bind(2, key);
    q->exec();
}

void Database::writeFields(const std::string& file, const Record& record) {
    auto r = statement("INSERT OR REPLACE INTO record(file, key, key_fold) VALUES(?, ?, ?)");
    r->bind(1, file);
    r->bind(2, record.key());
    r->bind(3, foldCase(record.key()));
    r->exec();
    removeFields(file, record.key());
    const auto& fields = record.fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].empty())
            continue;
        std::string whole = joinValues(fields[i]);
        auto f = statement("INSERT INTO field(file, key, num, whole, fold) VALUES(?, ?, ?, ?, ?)");
        f->bind(1, file);
        f->bind(2, record.key());
        f->bind(3, static_cast<int>(i + 1));
        f->bind(4, whole);
        f->bind(5, foldCase(whole));
        f->exec();
    }
}

// A write either lands whole or not at all.
void Database::write(const std::string& file, const Record& record) {
    checkValues(record);
    inOneTransaction([&] {
        if (!fileExists(file))
            throw DataError(kFileNotFound, "the file " + file + " does not exist in " + path_);
        writeFields(file, record);
    });
}

void Database::remove(const std::string& file, const std::string& key) {
    inOneTransaction([&] {
        auto q = statement("DELETE FROM record WHERE file = ? AND key = ?");
        q->bind(1, file);
        q->bind(2, key);
        q->exec();
        removeFields(file, key);
    });
}

std::optional<std::int32_t> Database::accessLevel(const std::string& user, const std::string& screenKey) {
    return guarded("cannot read the rights of " + user, [&]() -> std::optional<std::int32_t> {
        auto q = statement("SELECT level FROM rights WHERE user = ? AND screen = ?");
        q->bind(1, user);
        q->bind(2, screenKey);
        if (!q->executeStep())
            return std::nullopt;
        return q->getColumn(0).getInt();
    });
}

void Database::setAccessLevel(const std::string& user, const std::string& screenKey, std::int32_t level) {
    inOneTransaction([&] {
        auto q = statement("INSERT OR REPLACE INTO rights(user, screen, level) VALUES(?, ?, ?)");
        q->bind(1, user);
        q->bind(2, screenKey);
        q->bind(3, level);
        q->exec();
    });
}

// A select sentence turned into one SQL statement whose shape depends only on the
// field numbers: every value, field numbers included, is bound as a parameter.
struct Database::PreparedSelect {
    std::string sql;
    std::vector<int> numbers;
    std::vector<std::string> texts;
    std::size_t columns = 0;
};

Database::PreparedSelect Database::prepareSelect(const std::string& requestText) {
    Request request = Request::parse(requestText);
    SelectSentence s = parseSelect(request.get(1));
    if (request.get(2) != s.file)
        throw DataError(kBadSelect, "the request names the file " + request.get(2) + " but its sentence selects from " + s.file);
    // The columns are those of the field list: the entity list asks "0 1" of a sentence that names only 0.
    std::vector<int> fields = parseFieldList(request.get(3));
    if (!guarded("cannot select", [&] { return fileExists(s.file); }))
        throw DataError(kFileNotFound, "select sentence: the file " + s.file + " does not exist");

    PreparedSelect p;
    p.columns = fields.size();
    std::string columns, joins;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] == 0) {
            columns += ", r.key";
            continue;
        }
        // Appended, not concatenated to a literal: GCC 12 misreads that form at -O3.
        std::string a = "f";
        a += std::to_string(i);
        columns += ", " + a + ".whole";
        joins += " LEFT JOIN field " + a + " ON " + a + ".file = r.file AND " + a + ".key = r.key AND " + a + ".num = ?";
        p.numbers.push_back(fields[i]);
    }
    // Byte order of the sort field, ties by key: the lists match what the stored texts sort to.
    std::string order = "r.key";
    if (s.sortField != 0) {
        joins += " LEFT JOIN field s ON s.file = r.file AND s.key = r.key AND s.num = ?";
        p.numbers.push_back(s.sortField);
        order = "COALESCE(s.whole, ''), r.key";
    }
    std::string where = " WHERE r.file = ?";
    p.texts.push_back(s.file);
    if (s.condition) {
        const auto& c = *s.condition;
        std::string column = "r.key_fold";
        if (c.field != 0) {
            joins += " JOIN field c ON c.file = r.file AND c.key = r.key AND c.num = ?";
            p.numbers.push_back(c.field);
            column = "c.fold";
        }
        std::string folded = foldCase(c.value);
        if (!c.prefix) {
            where += " AND " + column + " = ?";
            p.texts.push_back(folded);
        } else if (!folded.empty()) {
            where += " AND " + column + " >= ?";
            p.texts.push_back(folded);
            if (std::string end = prefixEnd(folded); !end.empty()) {
                where += " AND " + column + " < ?";
                p.texts.push_back(end);
            }
        }
    }
    p.sql = "SELECT r.key" + columns + " FROM record r" + joins + where + " ORDER BY " + order;
    return p;
}

void Database::bindSelect(SQLite::Statement& q, const PreparedSelect& p) {
    int n = 1;
    for (int f : p.numbers)
        q.bind(n++, f);
    for (const auto& v : p.texts)
        q.bind(n++, v);
}

ResultTable Database::RunSelect(const std::string& requestText, const std::string&, int*) {
    PreparedSelect p = prepareSelect(requestText);
    return guarded("cannot select", [&] {
        auto q = statement(p.sql);
        bindSelect(*q, p);
        std::vector<std::vector<std::string>> rows;
        while (q->executeStep()) {
            std::vector<std::string> row;
            for (std::size_t i = 0; i < p.columns; ++i) {
                const auto& col = q->getColumn(static_cast<int>(i + 1));
                row.push_back(col.isNull() ? std::string() : col.getString());
            }
            rows.push_back(std::move(row));
        }
        return ResultTable(std::move(rows));
    });
}

std::string Database::selectPlan(const std::string& requestText) {
    PreparedSelect p = prepareSelect(requestText);
    return guarded("cannot explain", [&] {
        SQLite::Statement q(db_, "EXPLAIN QUERY PLAN " + p.sql);
        bindSelect(q, p);
        std::string plan;
        while (q.executeStep())
            plan += q.getColumn(3).getString() + "\n";
        return plan;
    });
}

Record File::ReadRecord(const std::string& key) {
    auto record = db_->read(name_, key);
    if (!record)
        throw DataError(kRecordNotFound, "no record of key \"" + key + "\" in " + name_);
    return *record;
}

Record File::OpenRecordForWrite(const std::string& key) {
    auto record = db_->read(name_, key);
    if (record)
        return *record;
    return db_->makeRecord(name_, key, {});
}

void File::DeleteRecord(const std::string& key) {
    db_->remove(name_, key);
}

}  // namespace ondrel
