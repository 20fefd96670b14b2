#include "store/database.h"

#include <algorithm>
#include <map>

#include "data/request.h"
#include "data/select_sentence.h"
#include "data/text_fold.h"
#include "store/connection.h"
#include "store/database_batch.h"
#include "store/field_array.h"
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
    std::optional<Record> found;
    connection_->query("SELECT revision, fields FROM record WHERE file = ? AND key = ?", {file, key},
                       [&](const Row& row) { found = stored(file, key, recordFields(row.text(1)), row.integer(0)); });
    return found;
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
    connection_->stream(std::string(kRecordsOfFile) + range + " ORDER BY r.key", params, [&](const Row& row) {
        visit(stored(file, std::string(row.text(0)), recordFields(row.text(2)), row.integer(1)));
    });
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
    const std::string fields = fieldArray(record.fields());
    rows_.addRecord(file, record.key(), 1, fields, labelFold(record.fields()));
    rows_.addRevision(file, record.key(), 1, db_.user_, at_, fields);
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
    connection_->query(
        "SELECT revision, author, at, deleted, fields FROM history WHERE file = ? AND key = ? ORDER BY revision",
        {file, key}, [&](const Row& row) {
            Revision r;
            r.number = row.integer(0);
            r.author = row.text(1);
            r.at = row.text(2);
            r.deleted = row.integer(3) != 0;
            r.fields = recordFields(row.text(4));
            revisions.push_back(std::move(r));
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

// The rows of a list, with what they sort on, until they are sorted: the sort field's
// column, or its texts apart when the list does not return it.
struct Database::Listed {
    std::vector<std::string> keys, sortValues;
    std::vector<std::vector<std::string>> rows;
    int sortColumn = -1;
};

// A select sentence turned into one SQL statement whose shape depends only on which
// of the key and the label it tests: every value is bound as a parameter. Each row is
// a record with its fields in one column; the columns asked for are read from it, and
// a test on another field than the label is made on it.
struct Database::PreparedSelect {
    std::string file;
    std::string sql;
    Params params;
    std::vector<int> fields;   // the field list, 0 for the key
    int sortField = 0;
    int sortColumn = -1;       // the column of the sort field when the list returns it
    std::size_t read = 0;      // how many fields of each record the columns and tests need
    // The test on a field, folded; only the rows whose field is there pass.
    int testedField = 0;
    std::string testedFold;
    bool testedPrefix = false;
    // The condition on the key, folded, when the sentence tests the key.
    std::optional<std::string> keyFold;
    bool keyPrefix = false;

    // The sentence's test on the key or the label as conditions of the where clause,
    // with their parameters.
    std::string conditionOn(const std::string& column, const std::string& folded, bool prefix) {
        if (!prefix) {
            params.push_back(folded);
            return " AND " + column + " = ?";
        }
        if (folded.empty())
            return {};
        params.push_back(folded);
        std::string sql = " AND " + column + " >= ?";
        if (std::string end = prefixEnd(folded); !end.empty()) {
            sql += " AND " + column + " < ?";
            params.push_back(end);
        }
        return sql;
    }

    // Whether a record passes the test on a field, its fields read.
    bool passes(const std::vector<std::optional<std::string>>& wholes) const {
        if (testedField == 0)
            return true;
        const auto& whole = wholes[static_cast<std::size_t>(testedField) - 1];
        if (!whole)
            return false;
        if (testedField == 1)
            return true;   // the engine compared the label's folded copy
        const std::string fold = foldCase(*whole);
        return testedPrefix ? fold.compare(0, testedFold.size(), testedFold) == 0 : fold == testedFold;
    }

    // Takes a record into the list when it passes the test on a field: its columns, and
    // what it sorts on. A field's text is moved into its column, unless the list wants
    // it again.
    void take(std::string_view key, std::vector<std::optional<std::string>> wholes, Listed& listed) const {
        if (!passes(wholes))
            return;
        std::vector<std::string> row;
        row.reserve(fields.size());
        for (auto f = fields.begin(); f != fields.end(); ++f) {
            if (*f == 0) {
                row.emplace_back(key);
                continue;
            }
            auto& whole = wholes[static_cast<std::size_t>(*f) - 1];
            if (std::find(f + 1, fields.end(), *f) != fields.end())
                row.push_back(whole.value_or(std::string()));
            else
                row.push_back(std::move(whole).value_or(std::string()));
        }
        listed.keys.emplace_back(key);
        if (sortField != 0 && sortColumn < 0)
            listed.sortValues.push_back(std::move(wholes[static_cast<std::size_t>(sortField) - 1]).value_or(std::string()));
        listed.rows.push_back(std::move(row));
    }

    // The select of a request, parsed; a DataError when it is malformed.
    static PreparedSelect of(const std::string& requestText);
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
    PreparedSelect p;
    p.file = s.file;
    // The columns are those of the field list: the entity list asks "0 1" of a sentence that names only 0.
    p.fields = parseFieldList(request.get(3));
    p.sortField = s.sortField;
    if (const auto c = std::find(p.fields.begin(), p.fields.end(), s.sortField); s.sortField != 0 && c != p.fields.end())
        p.sortColumn = static_cast<int>(c - p.fields.begin());
    for (int f : p.fields)
        p.read = std::max(p.read, static_cast<std::size_t>(f));
    p.read = std::max(p.read, static_cast<std::size_t>(s.sortField));
    p.params.push_back(s.file);
    p.sql = "SELECT r.key, r.fields FROM record r WHERE r.file = ?";
    if (s.condition) {
        const auto& c = *s.condition;
        const std::string folded = foldCase(c.value);
        if (c.field == 0) {
            p.keyFold = folded;
            p.keyPrefix = c.prefix;
            p.sql += p.conditionOn("r.key_fold", folded, c.prefix);
        } else {
            p.testedField = c.field;
            p.testedFold = folded;
            p.testedPrefix = c.prefix;
            p.read = std::max(p.read, static_cast<std::size_t>(c.field));
            if (c.field == 1)
                p.sql += p.conditionOn("r.label_fold", folded, c.prefix);
        }
    }
    // The rows are sorted here rather than by the engine, which would build a temporary
    // tree of them, or read a whole file in key order to spare itself the sort.
    return p;
}

// Byte order of the sort field, an absent field as an empty text, ties by key; by key
// alone for field 0: the lists match what the stored texts sort to.
std::vector<std::vector<std::string>> Database::sortedRows(Listed listed) {
    static const std::string kNone;
    const auto value = [&](std::size_t i) -> const std::string& {
        if (listed.sortColumn >= 0)
            return listed.rows[i][static_cast<std::size_t>(listed.sortColumn)];
        return listed.sortValues.empty() ? kNone : listed.sortValues[i];
    };
    std::vector<std::size_t> order(listed.rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int byField = value(a).compare(value(b));
        return byField != 0 ? byField < 0 : listed.keys[a] < listed.keys[b];
    });
    std::vector<std::vector<std::string>> result;
    result.reserve(listed.rows.size());
    for (std::size_t i : order)
        result.push_back(std::move(listed.rows[i]));
    return result;
}

// The file is looked for only when no row comes back: a select of a file that does not
// exist is refused, and the others pay nothing for the question. In a batch, a list by
// key prefix under what the batch has read ahead is its own answer; otherwise the
// writes held back that could be among the rows go first, and an answer serves again
// until its file is written.
ResultTable Database::RunSelect(const std::string& requestText, const std::string&, int*) {
    const PreparedSelect& p = *prepareSelect(requestText);
    std::string asked;
    Listed listed;
    listed.sortColumn = p.sortColumn;
    if (batch_) {
        batch_->endIfFailed();
        if (p.testedField == 0 && p.keyFold && p.keyPrefix && batch_->lists(p.file, *p.keyFold)) {
            for (auto k = batch_->folded.lower_bound({p.file, *p.keyFold, {}});
                 k != batch_->folded.end() && std::get<0>(*k) == p.file && std::get<1>(*k).compare(0, p.keyFold->size(), *p.keyFold) == 0;
                 ++k) {
                const auto& fields = batch_->known.at({p.file, std::get<2>(*k)}).fields;
                std::vector<std::optional<std::string>> wholes(p.read);
                for (std::size_t f = 0; f < p.read && f < fields.size(); ++f)
                    if (!fields[f].empty())
                        wholes[f] = joinValues(fields[f]);
                p.take(std::get<2>(*k), std::move(wholes), listed);
            }
            return ResultTable(sortedRows(std::move(listed)));
        }
        if (batch_->holdsWriteFor(p.file, p.keyFold, p.keyPrefix))
            sendHeldWrites();
        asked = p.sql;
        for (const auto& param : p.params) {
            asked += '\x1f';
            asked += std::get<std::string>(param);
        }
        if (const auto answer = batch_->answers.find(asked); answer != batch_->answers.end())
            return answer->second.second;
    }
    connection_->query(p.sql, p.params,
                       [&](const Row& found) { p.take(found.text(0), wholeFields(found.text(1), p.read), listed); });
    auto rows = sortedRows(std::move(listed));
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
    for (const auto& step : connection_->plan(p.sql, p.params))
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
