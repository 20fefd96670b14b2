#include "store/database.h"

#include <algorithm>
#include <map>

#include "data/request.h"
#include "data/select_sentence.h"
#include "data/text_fold.h"
#include "store/connection.h"
#include "store/database_batch.h"
#include "store/password_mask.h"
#include "store/postgres_connection.h"
#include "store/sqlite_connection.h"
#include "store/store_error.h"

namespace ondrel {

std::string prefixEnd(std::string prefix) {
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.pop_back();
    if (!prefix.empty())
        prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

namespace {

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

Database::Database(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {
    user_ = connection_->serverUser().value_or("");
}

Database::~Database() = default;

std::shared_ptr<Database> Database::open(const std::string& location, Access access) {
    auto connection = isServerLocation(location) ? openPostgres(location, access) : openSqlite(location, access);
    return std::shared_ptr<Database>(new Database(std::move(connection)));
}

std::shared_ptr<Database> Database::create(const std::string& location) {
    auto connection = isServerLocation(location) ? createPostgres(location) : createSqlite(location);
    return std::shared_ptr<Database>(new Database(std::move(connection)));
}

bool Database::isServer(const std::string& location) {
    return isServerLocation(location);
}

std::string Database::readable(const std::string& location) {
    return hideLocationPassword(location);
}

bool Database::readOnly() const {
    return connection_->readOnly();
}

std::string Database::engine() const {
    return connection_->engine();
}

std::string Database::location() const {
    return connection_->location();
}

const std::string& Database::signIn(const std::string& claimed) {
    user_ = connection_->serverUser().value_or(claimed);
    return user_;
}

std::size_t Database::cachedStatements() const {
    return connection_->cachedStatements();
}

// A transaction rolled back may take files it made with it. One that wrote many
// records leaves the statistics of the tables up to date.
void Database::inOneTransaction(const std::function<void()>& work) {
    const bool outermost = transactionDepth_ == 0;
    ++transactionDepth_;
    try {
        connection_->inTransaction(work);
    } catch (...) {
        --transactionDepth_;
        knownFiles_.clear();
        writesInTransaction_.clear();
        throw;
    }
    --transactionDepth_;
    if (outermost) {
        connection_->refreshStatistics(writesInTransaction_);
        writesInTransaction_.clear();
    }
}

bool Database::fileExists(const std::string& name) {
    bool found = false;
    connection_->query("SELECT 1 FROM file WHERE name = ?", {name}, [&](const Row&) { found = true; });
    return found;
}

void Database::requireFile(const std::string& name) {
    if (!fileExists(name))
        throw DataError(kFileNotFound, "Le fichier " + name + " n'existe pas dans la base « " + location() + " ».");
}

// A file once seen stays, since nothing deletes a file of the suite: a bulk write asks
// only once.
void Database::requireKnownFile(const std::string& name) {
    if (knownFiles_.count(name))
        return;
    requireFile(name);
    knownFiles_.insert(name);
}

void Database::createFile(const std::string& name) {
    connection_->createFile(name);
}

std::vector<std::string> Database::fileNames() {
    std::vector<std::string> names;
    connection_->query("SELECT name FROM file ORDER BY name", {},
                       [&](const Row& row) { names.emplace_back(row.text(0)); });
    return names;
}

std::vector<std::string> Database::keys(const std::string& file) {
    sendHeldWrites();
    std::vector<std::string> keys;
    connection_->query("SELECT key FROM record WHERE file = ? ORDER BY key", {file},
                       [&](const Row& row) { keys.emplace_back(row.text(0)); });
    return keys;
}

std::string Database::changeStamp(const std::string& file, const std::string& prefix) {
    sendHeldWrites();
    std::string stamp;
    connection_->query("SELECT count(*), coalesce(sum(revision), 0) FROM record WHERE file = ? AND key >= ? AND key < ?",
                       {file, prefix, prefixEnd(prefix)}, [&](const Row& row) {
                           stamp = row.text(0);
                           stamp += '/';
                           stamp += row.text(1);
                       });
    return stamp;
}

File Database::OpenFile(const std::string& name) {
    requireFile(name);
    return File(shared_from_this(), name);
}

Record Database::stored(const std::string& file, std::string key, std::vector<std::vector<std::string>> fields,
                        std::int64_t revision) {
    std::weak_ptr<Database> self = weak_from_this();
    return Record(std::move(key), std::move(fields), revision, [self, file](const Record& r) {
        auto db = self.lock();
        if (!db)
            throw DataError(kStoreFailure, "La base de l'enregistrement " + r.key() + " est fermée.");
        return db->write(file, r);
    });
}

Record Database::newRecord(const std::string& file, std::string key, std::vector<std::vector<std::string>> fields) {
    return stored(file, std::move(key), std::move(fields), kNewRecord);
}

Record Database::makeRecord(const std::string& file, std::string key, std::vector<std::vector<std::string>> fields) {
    return stored(file, std::move(key), std::move(fields), kAnyRevision);
}

std::optional<Record> Database::read(const std::string& file, const std::string& key) {
    if (batch_) {
        const Known& k = known(file, key);
        if (!k.revision)
            return std::nullopt;
        return stored(file, key, k.fields, *k.revision);
    }
    std::optional<std::int64_t> revision;
    std::vector<std::vector<std::string>> fields;
    connection_->query("SELECT r.revision, f.num, f.whole FROM record r"
                       " LEFT JOIN field f ON f.file = r.file AND f.key = r.key"
                       " WHERE r.file = ? AND r.key = ? ORDER BY f.num",
                       {file, key}, [&](const Row& row) {
                           revision = row.integer(0);
                           if (!row.isNull(1))
                               putField(fields, row.integer(1), row.text(2));
                       });
    if (!revision)
        return std::nullopt;
    return stored(file, key, std::move(fields), *revision);
}

void Database::forEachRecord(const std::string& file, const std::function<void(const Record&)>& visit,
                             const std::string& keyPrefix) {
    sendHeldWrites();
    std::string range;
    Params params{file};
    if (!keyPrefix.empty()) {
        range = " AND r.key >= ?";
        params.push_back(keyPrefix);
        if (std::string end = prefixEnd(keyPrefix); !end.empty()) {
            range += " AND r.key < ?";
            params.push_back(end);
        }
    }
    std::optional<std::string> key;
    std::int64_t revision = 0;
    std::vector<std::vector<std::string>> fields;
    auto flush = [&] {
        if (key)
            visit(stored(file, *key, std::move(fields), revision));
        fields.clear();
    };
    connection_->stream(std::string(kRecordsOfFile) + range + " ORDER BY r.key, f.num", params, [&](const Row& row) {
        if (!key || row.text(0) != *key) {
            flush();
            key = std::string(row.text(0));
            revision = row.integer(1);
        }
        if (!row.isNull(2))
            putField(fields, row.integer(2), row.text(3));
    });
    flush();
}

DataError Database::changedMeanwhile(const std::string& file, const std::string& key) const {
    return DataError(kRecordChanged, recordChanged(file, key));
}

// A write either lands whole or not at all.
std::int64_t Database::write(const std::string& file, const Record& record) {
    checkValues(record);
    if (batch_)
        return writeInBatch(file, record);
    std::int64_t next = 0;
    inOneTransaction([&] {
        requireKnownFile(file);
        ++writesInTransaction_[file];
        next = connection_->writeRecords({{file, record.key(), record.revision(), record.fields()}}, user_).front();
    });
    return next;
}

void Database::load(const std::function<void(Loader&)>& fill) {
    sendHeldWrites();
    inOneTransaction([&] {
        Loader loader(*this, revisionTime());
        fill(loader);
        loader.flush();
    });
}

// The rows that write would make for a new record at revision 1, kept until a batch is
// full.
void Database::Loader::put(const std::string& file, const Record& record) {
    checkValues(record);
    db_.requireKnownFile(file);
    rows_.addRecord(file, record.key(), 1);
    rows_.addFields(file, record.key(), record.fields());
    rows_.addRevision(file, record.key(), 1, db_.user_, at_, record.fields());
    ++db_.writesInTransaction_[file];
    if (++count_ % kBatch == 0)
        flush();
}

void Database::Loader::flush() {
    rows_.appendTo(*db_.connection_);
}

void Database::remove(const std::string& file, const Record& record) {
    sendHeldWrites();
    inOneTransaction([&] { connection_->removeRecord(file, record.key(), record.revision(), user_); });
}

void Database::remove(const std::string& file, const std::string& key) {
    remove(file, makeRecord(file, key, {}));
}

void Database::remove(const std::string& file, const std::vector<std::string>& keys) {
    sendHeldWrites();
    inOneTransaction([&] { connection_->removeRecords(file, keys, user_); });
}

std::string Database::lastKeyInHistory(const std::string& file, const std::string& prefix) {
    sendHeldWrites();
    std::string last;
    connection_->query("SELECT max(key) FROM history WHERE file = ? AND key >= ? AND key < ?",
                       {file, prefix, prefixEnd(prefix)}, [&](const Row& row) {
                           if (!row.isNull(0))
                               last = row.text(0);
                       });
    return last;
}

std::vector<Revision> Database::history(const std::string& file, const std::string& key) {
    sendHeldWrites();
    std::vector<Revision> revisions;
    connection_->query("SELECT revision, author, at, deleted FROM history WHERE file = ? AND key = ? ORDER BY revision",
                       {file, key}, [&](const Row& row) {
                           Revision r;
                           r.number = row.integer(0);
                           r.author = row.text(1);
                           r.at = row.text(2);
                           r.deleted = row.integer(3) != 0;
                           revisions.push_back(std::move(r));
                       });
    connection_->query("SELECT revision, num, whole FROM history_field WHERE file = ? AND key = ? ORDER BY revision, num",
                       {file, key}, [&, r = revisions.begin()](const Row& row) mutable {
                           // Both in the order of the revisions: one walk, whatever their number.
                           const std::int64_t number = row.integer(0);
                           while (r != revisions.end() && r->number < number)
                               ++r;
                           if (r != revisions.end() && r->number == number)
                               putField(r->fields, row.integer(1), row.text(2));
                       });
    return revisions;
}

std::optional<std::int32_t> Database::accessLevel(const std::string& user, const std::string& screenKey) {
    std::optional<std::int32_t> level;
    connection_->query("SELECT level FROM rights WHERE \"user\" = ? AND screen = ?", {user, screenKey},
                       [&](const Row& row) { level = static_cast<std::int32_t>(row.integer(0)); });
    return level;
}

std::vector<Database::AccessLevel> Database::accessLevels() {
    std::vector<AccessLevel> levels;
    connection_->query("SELECT \"user\", screen, level FROM rights ORDER BY \"user\", screen", {}, [&](const Row& row) {
        levels.push_back({std::string(row.text(0)), std::string(row.text(1)), static_cast<std::int32_t>(row.integer(2))});
    });
    return levels;
}

void Database::setAccessLevel(const std::string& user, const std::string& screenKey, std::int32_t level) {
    connection_->exec("INSERT INTO rights(\"user\", screen, level) VALUES(?, ?, ?)"
                      " ON CONFLICT(\"user\", screen) DO UPDATE SET level = excluded.level",
                      {user, screenKey, std::int64_t{level}});
}

bool Database::grantAccess(const std::string& user, bool write) {
    return connection_->grantAccess(user, write);
}

// A select sentence turned into one SQL statement whose shape depends only on the
// field numbers: every value, field numbers included, is bound as a parameter.
struct Database::PreparedSelect {
    std::string file;
    std::string sql;
    int sortColumn = -1;   // the column of the sort field; -1 when the rows come in key order
    int keyColumn = -1;    // the column of field 0, when the field list returns it
    std::vector<int> numbers;   // of the joins, in their order
    Params where;               // of the conditions, after the joins
    std::size_t columns = 0;
    // The condition on the key, folded, when the sentence tests the key.
    std::optional<std::string> keyFold;
    bool keyPrefix = false;

    // The sentence's test, on the key or on a field, as conditions of the where clause
    // with their parameters.
    std::string conditionOf(const SelectSentence& s, const std::string& base, bool onField) {
        if (!s.condition)
            return {};
        const auto& c = *s.condition;
        std::string sql, column = base + ".key_fold";
        if (onField) {
            sql += " AND " + base + ".num = ?";
            where.push_back(std::int64_t{c.field});
            column = base + ".fold";
        }
        std::string folded = foldCase(c.value);
        if (!onField) {
            keyFold = folded;
            keyPrefix = c.prefix;
        }
        if (!c.prefix) {
            sql += " AND " + column + " = ?";
            where.push_back(folded);
        } else if (!folded.empty()) {
            sql += " AND " + column + " >= ?";
            where.push_back(folded);
            if (std::string end = prefixEnd(folded); !end.empty()) {
                sql += " AND " + column + " < ?";
                where.push_back(end);
            }
        }
        return sql;
    }

    // The select of a request, parsed; a DataError when it is malformed.
    static PreparedSelect of(const std::string& requestText);

    Params params() const {
        Params all(numbers.begin(), numbers.end());
        all.insert(all.end(), where.begin(), where.end());
        return all;
    }
};

std::shared_ptr<const Database::PreparedSelect> Database::prepareSelect(const std::string& requestText) {
    return selects_.get(requestText, [](const std::string& text) {
        return std::make_shared<const PreparedSelect>(PreparedSelect::of(text));
    });
}

Database::PreparedSelect Database::PreparedSelect::of(const std::string& requestText) {
    Request request = Request::parse(requestText);
    SelectSentence s = parseSelect(request.get(1));
    if (request.get(2) != s.file)
        throw DataError(kBadSelect, "La requête nomme le fichier " + request.get(2) + " mais sa phrase sélectionne dans " + s.file + ".");
    // The columns are those of the field list: the entity list asks "0 1" of a sentence that names only 0.
    std::vector<int> fields = parseFieldList(request.get(3));

    PreparedSelect p;
    p.file = s.file;
    p.columns = fields.size();
    // A test on a field reads that field's rows through its index, and the record's
    // other fields from them: the record table adds nothing then, since a record has
    // field rows only while it exists. Otherwise the rows come from the record table.
    const bool onField = s.condition && s.condition->field != 0;
    const std::string base = onField ? "t" : "r";
    std::string columns, joins;
    // One join a field, whether it is returned, sorted on, or both; the tested field is
    // the base itself.
    std::map<int, std::string> joined;
    if (onField)
        joined[s.condition->field] = base;
    auto join = [&](int num) {
        auto& alias = joined[num];
        if (alias.empty()) {
            // Appended, not concatenated to a literal: GCC 12 misreads that form at -O3.
            alias = "f";
            alias += std::to_string(joined.size());
            joins += " LEFT JOIN field " + alias + " ON " + alias + ".file = " + base + ".file AND " + alias +
                     ".key = " + base + ".key AND " + alias + ".num = ?";
            p.numbers.push_back(num);
        }
        return alias;
    };
    for (int f : fields)
        columns += f == 0 ? ", " + base + ".key" : ", " + join(f) + ".whole";
    // Sorted on a field, the rows are sorted here rather than by the engine, which
    // would build a temporary tree of them: the field is one of the columns, or one more.
    if (const auto k = std::find(fields.begin(), fields.end(), 0); k != fields.end())
        p.keyColumn = static_cast<int>(k - fields.begin());
    if (s.sortField != 0) {
        const auto returned = std::find(fields.begin(), fields.end(), s.sortField);
        p.sortColumn = static_cast<int>(returned - fields.begin());
        if (returned == fields.end())
            columns += ", " + join(s.sortField) + ".whole";
    }
    p.where.push_back(s.file);
    const std::string where = " WHERE " + base + ".file = ?" + p.conditionOf(s, base, onField);
    p.sql = "SELECT " + base + ".key" + columns + (onField ? " FROM field t" : " FROM record r") + joins + where +
            (s.sortField == 0 ? " ORDER BY " + base + ".key" : "");
    return p;
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
// exist is refused, and the others pay nothing for the question. In a batch, the writes
// held back that could be among the rows go first, and an answer serves again until
// its file is written.
ResultTable Database::RunSelect(const std::string& requestText, const std::string&, int*) {
    const PreparedSelect& p = *prepareSelect(requestText);
    std::string asked;
    if (batch_) {
        batch_->endIfFailed();
        if (batch_->holdsWriteFor(p.file, p.keyFold, p.keyPrefix))
            sendHeldWrites();
        asked = p.sql;
        for (const auto& param : p.params()) {
            asked += '\x1f';
            asked += std::holds_alternative<std::string>(param) ? std::get<std::string>(param)
                                                                : std::to_string(std::get<std::int64_t>(param));
        }
        if (const auto answer = batch_->answers.find(asked); answer != batch_->answers.end())
            return answer->second.second;
    }
    const bool sorted = p.sortColumn >= 0;
    const std::size_t width = p.columns + (sorted && static_cast<std::size_t>(p.sortColumn) == p.columns ? 1 : 0);
    // Ties go by key: the key column when the field list returns it, else the keys apart.
    const bool keysApart = sorted && p.keyColumn < 0;
    std::vector<std::string> keys;
    std::vector<std::vector<std::string>> rows;
    connection_->query(p.sql, p.params(), [&](const Row& found) {
        std::vector<std::string> row(width);
        for (std::size_t i = 0; i < width; ++i)
            if (!found.isNull(static_cast<int>(i + 1)))
                row[i] = found.text(static_cast<int>(i + 1));
        if (keysApart)
            keys.emplace_back(found.text(0));
        rows.push_back(std::move(row));
    });
    if (sorted)
        rows = sortedRows(std::move(rows), keys, p);
    if (rows.empty())
        requireKnownFile(p.file);
    ResultTable table(std::move(rows));
    if (batch_)
        batch_->answers.emplace(std::move(asked), std::make_pair(p.file, table));
    return table;
}

std::string Database::selectPlan(const std::string& requestText) {
    const PreparedSelect& p = *prepareSelect(requestText);
    std::string plan;
    for (const auto& step : connection_->plan(p.sql, p.params()))
        plan += step + "\n";
    return plan;
}

Record File::ReadRecord(const std::string& key) {
    auto record = db_->read(name_, key);
    if (!record)
        throw DataError(kRecordNotFound, absentKey(key));
    return *record;
}

std::optional<Record> File::FindRecord(const std::string& key) {
    return db_->read(name_, key);
}

std::string File::absentKey(const std::string& key) const {
    return "Aucun enregistrement de clé « " + key + " » dans le fichier " + name_ + ".";
}

Record File::OpenRecordForWrite(const std::string& key) {
    auto record = db_->read(name_, key);
    if (record)
        return *record;
    return db_->newRecord(name_, key);
}

void File::DeleteRecord(const Record& record) {
    db_->remove(name_, record);
}

}  // namespace ondrel
