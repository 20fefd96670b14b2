#include "store/row_writes.h"

#include <optional>

#include "data/record.h"
#include "data/suite_files.h"
#include "data/text_fold.h"
#include "store/field_array.h"
#include "store/record_rows.h"
#include "store/store_error.h"

namespace ondrel {

namespace {

// The record row takes its next revision, with the write's fields, only if it still
// has the one the record was read at, or, for a new record, only if no row has its key.
// A key deleted and made again goes on from the last number of its history.
std::int64_t claimRevision(Connection& c, const RecordWrite& w, const std::string& fields) {
    static const std::string kInsert =
        "INSERT INTO record(file, key, key_fold, revision, fields, label_fold) VALUES(?, ?, ?,"
        " (SELECT coalesce(max(revision), 0) + 1 FROM history WHERE file = ? AND key = ?), ?, ?)";
    static const std::string kCreate = kInsert + " ON CONFLICT DO NOTHING RETURNING revision";
    static const std::string kCreateOrReplace =
        kInsert + " ON CONFLICT(file, key) DO UPDATE SET revision = record.revision + 1, fields = excluded.fields,"
                  " label_fold = excluded.label_fold RETURNING revision";
    static const std::string kReplace = "UPDATE record SET revision = revision + 1, fields = ?, label_fold = ?"
                                        " WHERE file = ? AND key = ? AND revision = ? RETURNING revision";
    std::optional<std::int64_t> claimed;
    auto take = [&](const Row& row) { claimed = row.integer(0); };
    if (w.seen == kNewRecord || w.seen == kAnyRevision)
        c.query(w.seen == kNewRecord ? kCreate : kCreateOrReplace,
                {w.file, w.key, foldCase(w.key), w.file, w.key, fields, labelFold(w.fields)}, take);
    else
        c.query(kReplace, {fields, labelFold(w.fields), w.file, w.key, w.seen}, take);
    if (!claimed)
        throw DataError(kRecordChanged, recordChanged(w.file, w.key));
    return *claimed;
}

// A line of budget, or its note, of a validated year is not written: the lock is the
// database's own, whatever program writes. Their keys begin with the year's code and
// the entity's, as the lock's key is made: N0 001.
void refuseWhenLocked(Connection& c, const std::string& file, const std::string& key) {
    if ((file != kSuiteFiles[static_cast<int>(SuiteFile::Budget)] && file != kNotesFile) || key.size() < 5)
        return;
    bool locked = false;
    c.query("SELECT 1 FROM record WHERE file = ? AND key = ?", {std::string(kLocksFile), key.substr(0, 5)},
            [&](const Row&) { locked = true; });
    if (locked)
        throw DataError(kBudgetLocked, lockedBudget(key.compare(0, 2, "N0") == 0 ? "N" : "N+1", key.substr(2, 3)));
}

}  // namespace

// A key written more than once keeps the fields of its last write; the history keeps
// every one.
std::vector<std::int64_t> writeRowByRow(Connection& connection, const std::vector<RecordWrite>& writes,
                                        const std::string& author) {
    const std::string at = revisionTime();
    RecordRows rows;
    std::vector<std::int64_t> revisions;
    revisions.reserve(writes.size());
    for (const RecordWrite& w : writes) {
        refuseWhenLocked(connection, w.file, w.key);
        const std::string fields = fieldArray(w.fields);
        revisions.push_back(claimRevision(connection, w, fields));
        rows.addRevision(w.file, w.key, revisions.back(), author, at, fields);
    }
    rows.appendTo(connection);
    return revisions;
}

void removeRowByRow(Connection& connection, const std::string& file, const std::string& key, std::int64_t seen,
                    const std::string& author) {
    refuseWhenLocked(connection, file, key);
    if (seen == kAnyRevision) {
        std::optional<std::int64_t> stored;
        connection.query("SELECT revision FROM record WHERE file = ? AND key = ?", {file, key},
                         [&](const Row& row) { stored = row.integer(0); });
        if (!stored)
            return;
        seen = *stored;
    }
    if (seen == kNewRecord ||
        connection.exec("DELETE FROM record WHERE file = ? AND key = ? AND revision = ?", {file, key, seen}) != 1)
        throw DataError(kRecordChanged, recordChanged(file, key));
    connection.exec("INSERT INTO history(file, key, revision, author, at, deleted) VALUES(?, ?, ?, ?, ?, 1)",
                    {file, key, seen + 1, author, revisionTime()});
}

}  // namespace ondrel
