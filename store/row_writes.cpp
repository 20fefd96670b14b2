#include "store/row_writes.h"

#include "data/record.h"
#include "data/text_fold.h"
#include "store/record_rows.h"
#include "store/store_error.h"

namespace ondrel {

namespace {

// The record row takes its next revision only if it still has the one the record was
// read at, or, for a new record, only if no row has its key. A key deleted and made
// again goes on from the last number of its history.
std::int64_t claimRevision(Connection& c, const RecordWrite& w) {
    static const std::string kInsert =
        "INSERT INTO record(file, key, key_fold, revision) VALUES(?, ?, ?,"
        " (SELECT coalesce(max(revision), 0) + 1 FROM history WHERE file = ? AND key = ?))";
    std::optional<std::int64_t> claimed;
    auto take = [&](const Row& row) { claimed = row.integer(0); };
    if (w.seen == kNewRecord)
        c.query(kInsert + " ON CONFLICT DO NOTHING RETURNING revision", {w.file, w.key, foldCase(w.key), w.file, w.key},
                take);
    else if (w.seen == kAnyRevision)
        c.query(kInsert + " ON CONFLICT(file, key) DO UPDATE SET revision = record.revision + 1 RETURNING revision",
                {w.file, w.key, foldCase(w.key), w.file, w.key}, take);
    else
        c.query("UPDATE record SET revision = revision + 1 WHERE file = ? AND key = ? AND revision = ? RETURNING revision",
                {w.file, w.key, w.seen}, take);
    if (!claimed)
        throw DataError(kRecordChanged, recordChanged(w.file, w.key));
    return *claimed;
}

void keepRevision(Connection& c, const std::string& file, const std::string& key, std::int64_t revision,
                  const std::string& author, const Fields* fields) {
    c.exec("INSERT INTO history(file, key, revision, author, at, deleted) VALUES(?, ?, ?, ?, ?, ?)",
           {file, key, revision, author, revisionTime(), std::int64_t{fields ? 0 : 1}});
    if (!fields)
        return;
    std::vector<Params> rows;
    for (std::size_t i = 0; i < fields->size(); ++i)
        if (!(*fields)[i].empty())
            rows.push_back({file, key, revision, static_cast<std::int64_t>(i + 1), joinValues((*fields)[i])});
    manyRows(c, "INSERT INTO history_field(file, key, revision, num, whole) VALUES", "(?, ?, ?, ?, ?)", "", rows);
}

void writeFields(Connection& c, const RecordWrite& w) {
    if (w.seen != kNewRecord)
        c.exec("DELETE FROM field WHERE file = ? AND key = ?", {w.file, w.key});
    std::vector<Params> rows;
    for (std::size_t i = 0; i < w.fields.size(); ++i)
        if (!w.fields[i].empty()) {
            std::string whole = joinValues(w.fields[i]);
            std::string fold = foldCase(whole);
            rows.push_back({w.file, w.key, static_cast<std::int64_t>(i + 1), std::move(whole), std::move(fold)});
        }
    manyRows(c, "INSERT INTO field(file, key, num, whole, fold) VALUES", "(?, ?, ?, ?, ?)", "", rows);
}

}  // namespace

std::vector<std::int64_t> writeRowByRow(Connection& connection, const std::vector<RecordWrite>& writes,
                                        const std::string& author) {
    std::vector<std::int64_t> revisions;
    revisions.reserve(writes.size());
    for (const RecordWrite& w : writes) {
        const std::int64_t revision = claimRevision(connection, w);
        writeFields(connection, w);
        keepRevision(connection, w.file, w.key, revision, author, &w.fields);
        revisions.push_back(revision);
    }
    return revisions;
}

void removeRowByRow(Connection& connection, const std::string& file, const std::string& key, std::int64_t seen,
                    const std::string& author) {
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
    connection.exec("DELETE FROM field WHERE file = ? AND key = ?", {file, key});
    keepRevision(connection, file, key, seen + 1, author, nullptr);
}

}  // namespace ondrel
