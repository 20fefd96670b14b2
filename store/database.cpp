#include "store/database.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include <unistd.h>

#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include "data/data_error.h"
#include "data/request.h"
#include "data/select_sentence.h"
#include "data/text_fold.h"
#include "store/store_error.h"

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

// The mark of the databases that the tools make: SQLite's application_id ("ONDR")
// and the version of the tables in user_version.
constexpr int kApplicationId = 0x4F4E4452;
constexpr int kSchemaVersion = 1;

// Every SQLite failure leaves the service as a DataError.
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
        throw DataError(kBadValue, "Une clé contient le séparateur de valeurs (caractère 30) : rien n'a été enregistré.");
    for (const auto& values : record.fields())
        for (const auto& v : values)
            if (v.find(kValueMark) != std::string::npos)
                throw DataError(kBadValue, "L'enregistrement " + record.key() +
                                               " contient le séparateur de valeurs (caractère 30) : rien n'a été enregistré.");
}

}  // namespace

// Opening writes nothing: no journal mode, no tables. A file without our mark is
// refused untouched; a file that cannot be written opens for consultation.
std::shared_ptr<Database> Database::open(const std::string& path, Access access) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw DataError(kFileNotFound, missingDatabase(path));
    if (std::filesystem::is_directory(path, ec))
        throw DataError(kNotOurDatabase, folderNotDatabase(path));
    if (access == Access::Automatic)
        access = ::access(path.c_str(), W_OK) == 0 ? Access::ReadWrite : Access::ReadOnly;
    std::shared_ptr<Database> db = guarded("ouverture de " + path, [&] {
        if (access == Access::ReadWrite)
            return std::shared_ptr<Database>(new Database(path, path, SQLite::OPEN_READWRITE));
        try {
            return std::shared_ptr<Database>(new Database(path, path, SQLite::OPEN_READONLY));
        } catch (const SQLite::Exception&) {
            // A write-protected folder leaves no room for the shared-memory file of the
            // journal: the database is read as a file that nobody changes meanwhile.
            return std::shared_ptr<Database>(
                new Database(path, fileUri(path, "immutable=1"), SQLite::OPEN_READONLY | SQLite::OPEN_URI));
        }
    });
    db->checkMark();
    return db;
}

std::shared_ptr<Database> Database::create(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        throw DataError(kStoreFailure, "« " + path + " » existe déjà : une base n'est jamais créée par-dessus un fichier.");
    return guarded("création de " + path, [&] {
        std::shared_ptr<Database> db(new Database(path, path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE));
        db->db_.exec("PRAGMA journal_mode=WAL");
        SQLite::Transaction tx(db->db_, SQLite::TransactionBehavior::IMMEDIATE);
        db->db_.exec(kSchema);
        db->db_.exec("PRAGMA application_id=" + std::to_string(kApplicationId));
        db->db_.exec("PRAGMA user_version=" + std::to_string(kSchemaVersion));
        tx.commit();
        return db;
    });
}

// One connection serves one thread: SQLite's own locking of each call is left out.
Database::Database(const std::string& path, const std::string& name, int flags)
    : path_(path), db_(name, flags | SQLITE_OPEN_NOMUTEX, kBusyTimeoutMs), readOnly_((flags & SQLite::OPEN_READONLY) != 0) {
    // A committed write survives a power cut, not only a crash of the program.
    // A setting of the connection: nothing is written into the file.
    db_.exec("PRAGMA synchronous=FULL");
    // A long list is sorted in memory, never spilled to a temporary file, and the pages
    // of a large entity stay in the connection's cache from one keystroke to the next.
    db_.exec("PRAGMA temp_store=MEMORY");
    db_.exec("PRAGMA cache_size=-32768");
}

std::string Database::engineVersion() {
    return sqlite3_libversion();
}

void Database::checkMark() {
    bool ours = false;
    try {
        ours = db_.execAndGet("PRAGMA application_id").getInt() == kApplicationId &&
               db_.execAndGet("PRAGMA user_version").getInt() == kSchemaVersion;
    } catch (const SQLite::Exception& e) {
        if (e.getErrorCode() != SQLITE_NOTADB)
            throw storeError("lecture de " + path_, e);
    }
    if (!ours)
        throw DataError(kNotOurDatabase, notOurDatabase(path_));
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
    guarded("création du fichier " + name, [&] {
        auto q = statement("INSERT OR IGNORE INTO file(name) VALUES(?)");
        q->bind(1, name);
        q->exec();
    });
}

std::vector<std::string> Database::fileNames() {
    return guarded("liste des fichiers", [&] {
        std::vector<std::string> names;
        auto q = statement("SELECT name FROM file ORDER BY name");
        while (q->executeStep())
            names.push_back(q->getColumn(0).getString());
        return names;
    });
}

std::vector<std::string> Database::keys(const std::string& file) {
    return guarded("liste des clés de " + file, [&] {
        std::vector<std::string> keys;
        auto q = statement("SELECT key FROM record WHERE file = ? ORDER BY key");
        q->bind(1, file);
        while (q->executeStep())
            keys.push_back(q->getColumn(0).getString());
        return keys;
    });
}

File Database::OpenFile(const std::string& name) {
    bool exists = guarded("ouverture du fichier " + name, [&] { return fileExists(name); });
    if (!exists)
        throw DataError(kFileNotFound, "Le fichier " + name + " n'existe pas dans la base « " + path_ + " ».");
    return File(shared_from_this(), name);
}

Record Database::makeRecord(const std::string& file, std::string key,
                            std::vector<std::vector<std::string>> fields) {
    std::weak_ptr<Database> self = weak_from_this();
    return Record(std::move(key), std::move(fields), [self, file](const Record& r) {
        auto db = self.lock();
        if (!db)
            throw DataError(kStoreFailure, "La base de l'enregistrement " + r.key() + " est fermée.");
        db->write(file, r);
    });
}

std::optional<Record> Database::read(const std::string& file, const std::string& key) {
    return guarded("lecture de " + file + " " + key, [&]() -> std::optional<Record> {
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

void Database::forEachRecord(const std::string& file, const std::function<void(const Record&)>& visit) {
    guarded("lecture de " + file, [&] {
        // A statement of its own, not a cached one: the visitor may read meanwhile.
        SQLite::Statement q(db_,
                            "SELECT r.key, f.num, f.whole FROM record r"
                            " LEFT JOIN field f ON f.file = r.file AND f.key = r.key"
                            " WHERE r.file = ? ORDER BY r.key, f.num");
        q.bind(1, file);
        std::optional<std::string> key;
        std::vector<std::vector<std::string>> fields;
        auto flush = [&] {
            if (key)
                visit(makeRecord(file, *key, std::move(fields)));
            fields.clear();
        };
        while (q.executeStep()) {
            std::string k = q.getColumn(0).getString();
            if (!key || k != *key) {
                flush();
                key = std::move(k);
            }
            if (q.getColumn(1).isNull())
                continue;
            const int num = q.getColumn(1).getInt();
            if (num < 1)
                continue;
            if (static_cast<std::size_t>(num) > fields.size())
                fields.resize(static_cast<std::size_t>(num));
            fields[static_cast<std::size_t>(num) - 1] = splitValues(q.getColumn(2).getString());
        }
        flush();
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
            throw DataError(kFileNotFound, "Le fichier " + file + " n'existe pas dans la base « " + path_ + " ».");
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
    return guarded("lecture des droits de " + user, [&]() -> std::optional<std::int32_t> {
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
    std::string file;
    std::string sql;
    int sortColumn = -1;   // the column of the sort field; -1 when the rows come in key order
    int keyColumn = -1;    // the column of field 0, when the field list returns it
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

    PreparedSelect p;
    p.file = s.file;
    p.columns = fields.size();
    std::string columns, joins;
    // One join a field, whether it is returned, sorted on, or both.
    std::map<int, std::string> joined;
    auto join = [&](int num) {
        auto& alias = joined[num];
        if (alias.empty()) {
            // Appended, not concatenated to a literal: GCC 12 misreads that form at -O3.
            alias = "f";
            alias += std::to_string(joined.size());
            joins += " LEFT JOIN field " + alias + " ON " + alias + ".file = r.file AND " + alias + ".key = r.key AND " +
                     alias + ".num = ?";
            p.numbers.push_back(num);
        }
        return alias;
    };
    for (int f : fields)
        columns += f == 0 ? std::string(", r.key") : ", " + join(f) + ".whole";
    // Sorted on a field, the rows are sorted here rather than by SQLite, which would
    // build a temporary tree of them: the field is one of the columns, or one more.
    if (const auto k = std::find(fields.begin(), fields.end(), 0); k != fields.end())
        p.keyColumn = static_cast<int>(k - fields.begin());
    if (s.sortField != 0) {
        const auto returned = std::find(fields.begin(), fields.end(), s.sortField);
        p.sortColumn = static_cast<int>(returned - fields.begin());
        if (returned == fields.end())
            columns += ", " + join(s.sortField) + ".whole";
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
    p.sql = "SELECT r.key" + columns + " FROM record r" + joins + where + (s.sortField == 0 ? " ORDER BY r.key" : "");
    return p;
}

void Database::bindSelect(SQLite::Statement& q, const PreparedSelect& p) {
    int n = 1;
    for (int f : p.numbers)
        q.bind(n++, f);
    for (const auto& v : p.texts)
        q.bind(n++, v);
}

// Byte order of the sort field, an absent field as an empty text, ties by key: the lists
// match what the stored texts sort to. The extra sort column, when there is one, goes.
std::vector<std::vector<std::string>> Database::sortedRows(std::vector<std::vector<std::string>> rows,
                                                          const std::vector<std::string>& keys, const PreparedSelect& p) {
    const auto column = static_cast<std::size_t>(p.sortColumn);
    auto key = [&](std::size_t i) -> const std::string& {
        return p.keyColumn >= 0 ? rows[i][static_cast<std::size_t>(p.keyColumn)] : keys[i];
    };
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int byField = rows[a][column].compare(rows[b][column]);
        return byField != 0 ? byField < 0 : key(a) < key(b);
    });
    std::vector<std::vector<std::string>> result;
    result.reserve(rows.size());
    for (std::size_t i : order) {
        rows[i].resize(p.columns);
        result.push_back(std::move(rows[i]));
    }
    return result;
}

// The file is looked for only when no row comes back: a select of a file that does not
// exist is refused, and the others pay nothing for the question.
ResultTable Database::RunSelect(const std::string& requestText, const std::string&, int*) {
    PreparedSelect p = prepareSelect(requestText);
    const bool sorted = p.sortColumn >= 0;
    const std::size_t width = p.columns + (sorted && static_cast<std::size_t>(p.sortColumn) == p.columns ? 1 : 0);
    // Ties go by key: the key column when the field list returns it, else the keys apart.
    const bool keysApart = sorted && p.keyColumn < 0;
    std::vector<std::string> keys;
    std::vector<std::vector<std::string>> rows = guarded("sélection", [&] {
        auto q = statement(p.sql);
        bindSelect(*q, p);
        std::vector<std::vector<std::string>> found;
        while (q->executeStep()) {
            std::vector<std::string> row(width);
            for (std::size_t i = 0; i < width; ++i) {
                const SQLite::Column col = q->getColumn(static_cast<int>(i + 1));
                if (!col.isNull())
                    row[i].assign(col.getText(), static_cast<std::size_t>(col.getBytes()));
            }
            if (keysApart)
                keys.push_back(q->getColumn(0).getString());
            found.push_back(std::move(row));
        }
        return found;
    });
    if (sorted)
        rows = sortedRows(std::move(rows), keys, p);
    if (rows.empty() && !guarded("sélection", [&] { return fileExists(p.file); }))
        throw DataError(kFileNotFound, "Le fichier " + p.file + " n'existe pas dans la base « " + path_ + " ».");
    return ResultTable(std::move(rows));
}

std::string Database::selectPlan(const std::string& requestText) {
    PreparedSelect p = prepareSelect(requestText);
    return guarded("plan de la sélection", [&] {
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
        throw DataError(kRecordNotFound, "Aucun enregistrement de clé « " + key + " » dans le fichier " + name_ + ".");
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
