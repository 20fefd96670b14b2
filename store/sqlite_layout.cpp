#include "store/sqlite_layout.h"

#include <optional>
#include <string>
#include <vector>

#include <SQLiteCpp/Statement.h>

#include "store/field_array.h"

namespace ondrel {

namespace {

// A record in one row, its fields in one column, and a revision of the history in one
// row: a list reads each record once, and a write makes two rows. The records are kept
// in the order of their folded keys, the order of the screen's lists, so that a list
// reads its rows one after the other without a lookup each. The label's folded copy is
// what a search by label reads; empty when the record has no label.
constexpr const char* kRecordTables = R"sql(
CREATE TABLE record(
    file TEXT NOT NULL, key TEXT NOT NULL, key_fold TEXT NOT NULL, revision INTEGER NOT NULL DEFAULT 1,
    fields TEXT NOT NULL DEFAULT '{}', label_fold TEXT NOT NULL DEFAULT '',
    PRIMARY KEY(file, key_fold, key)) WITHOUT ROWID;
CREATE TABLE history(
    file TEXT NOT NULL, key TEXT NOT NULL, revision INTEGER NOT NULL,
    author TEXT NOT NULL, at TEXT NOT NULL, deleted INTEGER NOT NULL, fields TEXT NOT NULL DEFAULT '{}',
    PRIMARY KEY(file, key, revision)) WITHOUT ROWID;
)sql";

constexpr const char* kIndexes = R"sql(
CREATE UNIQUE INDEX record_by_key ON record(file, key);
CREATE INDEX record_by_label ON record(file, label_fold);
)sql";

// What the second version added to the first: the revision of each record, and the
// history of every revision, a row a field as the records then were.
constexpr const char* kRevisions = R"sql(
ALTER TABLE record ADD COLUMN revision INTEGER NOT NULL DEFAULT 1;
CREATE TABLE history(
    file TEXT NOT NULL, key TEXT NOT NULL, revision INTEGER NOT NULL,
    author TEXT NOT NULL, at TEXT NOT NULL, deleted INTEGER NOT NULL,
    PRIMARY KEY(file, key, revision)) WITHOUT ROWID;
CREATE TABLE history_field(
    file TEXT NOT NULL, key TEXT NOT NULL, revision INTEGER NOT NULL, num INTEGER NOT NULL,
    whole TEXT NOT NULL,
    PRIMARY KEY(file, key, revision, num)) WITHOUT ROWID;
)sql";

// Reads rows of the second version in the order of their owner's columns, then of
// their field's number, and writes one row of the third for each owner: the owner's
// columns, its fields' array, and the folded label when asked.
void gather(SQLite::Database& db, const std::string& select, int ownerColumns, const std::string& insert,
            bool withLabel) {
    SQLite::Statement from(db, select);
    SQLite::Statement to(db, insert);
    std::vector<std::string> owner;
    std::vector<std::optional<std::string>> wholes;
    std::string label;
    auto flush = [&] {
        if (owner.empty())
            return;
        int n = 1;
        for (const auto& column : owner)
            to.bind(n++, column);
        to.bind(n++, wholesArray(wholes));
        if (withLabel)
            to.bind(n++, label);
        to.exec();
        to.reset();
        wholes.clear();
        label.clear();
    };
    while (from.executeStep()) {
        std::vector<std::string> row;
        for (int c = 0; c < ownerColumns; ++c)
            row.push_back(from.getColumn(c).getString());
        if (row != owner) {
            flush();
            owner = std::move(row);
        }
        if (from.isColumnNull(ownerColumns))
            continue;
        const auto num = static_cast<std::size_t>(from.getColumn(ownerColumns).getInt64());
        if (num < 1)
            continue;
        if (num > wholes.size())
            wholes.resize(num);
        wholes[num - 1] = from.getColumn(ownerColumns + 1).getString();
        if (num == 1 && withLabel)
            label = from.getColumn(ownerColumns + 2).getString();
    }
    flush();
}

}  // namespace

void makeSqliteTables(SQLite::Database& db) {
    db.exec("CREATE TABLE file(name TEXT PRIMARY KEY) WITHOUT ROWID;"
            "CREATE TABLE rights(\"user\" TEXT NOT NULL, screen TEXT NOT NULL, level INTEGER NOT NULL,"
            " PRIMARY KEY(\"user\", screen)) WITHOUT ROWID;");
    db.exec(kRecordTables);
    db.exec(kIndexes);
}

void upgradeSqliteTables(SQLite::Database& db, int version) {
    if (version == 1)
        db.exec(kRevisions);
    db.exec("ALTER TABLE record RENAME TO record_v2");
    db.exec("ALTER TABLE history RENAME TO history_v2");
    db.exec(kRecordTables);
    gather(db,
           "SELECT r.file, r.key, r.key_fold, r.revision, f.num, f.whole, f.fold FROM record_v2 r"
           " LEFT JOIN field f ON f.file = r.file AND f.key = r.key ORDER BY r.file, r.key, f.num",
           4, "INSERT INTO record(file, key, key_fold, revision, fields, label_fold) VALUES(?, ?, ?, ?, ?, ?)", true);
    gather(db,
           "SELECT h.file, h.key, h.revision, h.author, h.at, h.deleted, f.num, f.whole FROM history_v2 h"
           " LEFT JOIN history_field f ON f.file = h.file AND f.key = h.key AND f.revision = h.revision"
           " ORDER BY h.file, h.key, h.revision, f.num",
           6, "INSERT INTO history(file, key, revision, author, at, deleted, fields) VALUES(?, ?, ?, ?, ?, ?, ?)",
           false);
    for (const char* old : {"record_v2", "field", "history_v2", "history_field"})
        db.exec(std::string("DROP TABLE ") + old);
    db.exec(kIndexes);
}

}  // namespace ondrel
