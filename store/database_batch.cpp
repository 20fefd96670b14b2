#include "store/database_batch.h"

#include <algorithm>
#include <map>
#include <set>

#include "data/text_fold.h"
#include "store/connection.h"

namespace ondrel {

void Database::inOneBatch(const std::function<void()>& work) {
    if (batch_) {
        work();
        return;
    }
    inOneTransaction([&] {
        batch_ = std::make_unique<Batch>();
        struct End {
            std::unique_ptr<Batch>& batch;
            ~End() { batch.reset(); }
        } end{batch_};
        work();
        sendHeldWrites();
    });
}

Database::Known& Database::known(const std::string& file, const std::string& key) {
    auto found = batch_->known.find({file, key});
    if (found == batch_->known.end()) {
        learn(file, {key});
        found = batch_->known.find({file, key});
    }
    return found->second;
}

void Database::readAhead(const std::string& file, const std::vector<std::string>& keys) {
    if (!batch_)
        return;
    std::vector<std::string> unknown;
    for (const auto& key : keys)
        if (!batch_->known.count({file, key}))
            unknown.push_back(key);
    std::sort(unknown.begin(), unknown.end());
    unknown.erase(std::unique(unknown.begin(), unknown.end()), unknown.end());
    if (!unknown.empty())
        learn(file, unknown);
}

// Each record with its fields, and where its history ends, whether or not the record
// exists: a trip for as many keys as a statement takes.
void Database::learn(const std::string& file, const std::vector<std::string>& keys) {
    if (batch_->known.size() + keys.size() > Batch::kKnown)
        sendHeldWrites();
    std::vector<Params> rows;
    for (const auto& key : keys)
        rows.push_back({file, key});
    std::map<Batch::Key, Known> learnt;
    for (const auto& key : keys)
        learnt[{file, key}];
    manyRows(*connection_,
             "SELECT v.column2, (SELECT coalesce(max(h.revision), 0) FROM history h"
             " WHERE h.file = v.column1 AND h.key = v.column2), r.revision, f.num, f.whole FROM (VALUES",
             "(?, ?)",
             ") AS v LEFT JOIN record r ON r.file = v.column1 AND r.key = v.column2"
             " LEFT JOIN field f ON f.file = r.file AND f.key = r.key ORDER BY v.column2, f.num",
             rows, [&](const Row& row) {
                 Known& k = learnt[{file, std::string(row.text(0))}];
                 k.last = row.integer(1);
                 if (!row.isNull(2))
                     k.revision = row.integer(2);
                 if (!row.isNull(3))
                     putField(k.fields, row.integer(3), row.text(4));
             });
    batch_->known.merge(learnt);
}

// The terms of write, against the record as the batch knows it; the engine checks
// them again when the batch is sent. A record built whole goes over the one the batch
// knows.
std::int64_t Database::writeInBatch(const std::string& file, const Record& record) {
    requireKnownFile(file);
    Known& k = known(file, record.key());
    const bool asRead = record.revision() == kAnyRevision ||
                        (record.revision() == kNewRecord ? !k.revision : k.revision == record.revision());
    if (!asRead)
        throw changedMeanwhile(file, record.key());
    Batch::Key key{file, record.key()};
    if (batch_->unsent.try_emplace(key, k.revision).second)
        batch_->unsentFolds.emplace(file, foldCase(record.key()));
    const std::int64_t revision = ++k.last;
    k.revision = revision;
    k.fields = record.fields();
    batch_->written.push_back({std::move(key), revision, record.fields()});
    batch_->forgetAnswersOf(file);
    ++writesInTransaction_;
    if (batch_->written.size() >= Batch::kWrites)
        sendHeldWrites();
    return revision;
}

// Each record row takes its revision only if the engine still has it as the batch
// read it; the fields and the history follow in as few trips as the engine allows.
// Outside a batch there is nothing held back.
void Database::sendHeldWrites() {
    if (!batch_)
        return;
    if (batch_->failure)
        std::rethrow_exception(batch_->failure);
    Batch sent = std::move(*batch_);
    *batch_ = Batch{};
    if (sent.written.empty())
        return;
    try {
        send(sent);
    } catch (...) {
        // Part of the batch may have gone: the batch ends with this failure whatever
        // its work does with it, and nothing of it is committed.
        batch_->failure = std::current_exception();
        throw;
    }
}

void Database::send(const Batch& sent) {
    std::vector<Params> created, changed, cleared;
    RecordRows rows;
    for (const auto& [key, base] : sent.unsent) {
        const Known& now = sent.known.at(key);
        if (base) {
            changed.push_back({key.first, key.second, *base, *now.revision});
            cleared.push_back({key.first, key.second});
        } else {
            created.push_back({key.first, key.second, foldCase(key.second), *now.revision});
        }
        rows.addFields(key.first, key.second, now.fields);
    }
    std::set<Batch::Key> claimed;
    const auto claim = [&](const Row& row) { claimed.emplace(row.text(0), row.text(1)); };
    manyRows(*connection_, "INSERT INTO record(file, key, key_fold, revision) VALUES", "(?, ?, ?, ?)",
             " ON CONFLICT DO NOTHING RETURNING file, key", created, claim);
    manyRows(*connection_, "UPDATE record SET revision = v.column4 FROM (VALUES", "(?, ?, CAST(? AS BIGINT), CAST(? AS BIGINT))",
             ") AS v WHERE record.file = v.column1 AND record.key = v.column2 AND record.revision = v.column3"
             " RETURNING record.file, record.key",
             changed, claim);
    for (const auto& [key, base] : sent.unsent)
        if (!claimed.count(key))
            throw changedMeanwhile(key.first, key.second);
    manyRows(*connection_, "DELETE FROM field WHERE (file, key) IN (VALUES", "(?, ?)", ")", cleared);
    const std::string at = revisionTime();
    for (const auto& w : sent.written)
        rows.addRevision(w.key.first, w.key.second, w.revision, user_, at, w.fields);
    rows.appendTo(*connection_);
}

}  // namespace ondrel
