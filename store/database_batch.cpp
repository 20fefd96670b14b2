#include "store/database_batch.h"

#include <algorithm>
#include <map>

#include "data/text_fold.h"
#include "store/connection.h"
#include "store/field_array.h"

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
    batch_->endIfFailed();
    auto found = batch_->known.find({file, key});
    if (found != batch_->known.end())
        return found->second;
    if (batch_->knowsAllUnder(file, key))
        return batch_->known[{file, key}];
    learn(file, {key});
    return batch_->known.find({file, key})->second;
}

void Database::readAhead(const std::string& file, const std::vector<std::string>& keys) {
    if (!batch_)
        return;
    batch_->endIfFailed();
    std::vector<std::string> unknown;
    for (const auto& key : keys)
        if (!batch_->known.count({file, key}) && !batch_->knowsAllUnder(file, key))
            unknown.push_back(key);
    std::sort(unknown.begin(), unknown.end());
    unknown.erase(std::unique(unknown.begin(), unknown.end()), unknown.end());
    if (!unknown.empty())
        learn(file, unknown);
}

// The records are read by their folded keys, which takes in those of the same letters
// in another case: the batch then lists them too. A stored record's revision is the
// last of its key's history.
void Database::readAheadUnder(const std::string& file, const std::string& prefix) {
    if (!batch_ || prefix.empty() || batch_->knownPrefixes.count({file, prefix}))
        return;
    batch_->endIfFailed();
    const std::string fold = foldCase(prefix);
    std::map<Batch::Key, Known> learnt;
    connection_->query("SELECT key, max(revision) FROM history WHERE file = ? AND key >= ? AND key < ? GROUP BY key",
                       {file, prefix, prefixEnd(prefix)},
                       [&](const Row& row) { learnt[{file, std::string(row.text(0))}].last = row.integer(1); });
    connection_->query(std::string(kRecordsOfFile) + " AND r.key_fold >= ? AND r.key_fold < ?", {file, fold, prefixEnd(fold)},
                       [&](const Row& row) {
                           Known& k = learnt[{file, std::string(row.text(0))}];
                           k.revision = row.integer(1);
                           k.last = std::max(k.last, *k.revision);
                           k.fields = recordFields(row.text(2));
                           batch_->folded.emplace(file, row.text(3), row.text(0));
                       });
    batch_->known.merge(learnt);   // what the batch wrote itself stays as it wrote it
    batch_->knownPrefixes.insert({file, prefix});
    batch_->listedFolds.insert({file, fold});
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
             " WHERE h.file = v.column1 AND h.key = v.column2), r.revision, r.fields, r.key_fold FROM (VALUES",
             "(?, ?)", ") AS v LEFT JOIN record r ON r.file = v.column1 AND r.key = v.column2", rows,
             [&](const Row& row) {
                 Known& k = learnt[{file, std::string(row.text(0))}];
                 k.last = row.integer(1);
                 if (!row.isNull(2)) {
                     k.revision = row.integer(2);
                     k.fields = recordFields(row.text(3));
                     batch_->folded.emplace(file, row.text(4), row.text(0));
                 }
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
    const std::string fold = foldCase(record.key());
    batch_->unsentFolds.emplace(file, fold);
    batch_->folded.emplace(file, fold, record.key());
    batch_->written.push_back({file, record.key(), k.revision.value_or(kNewRecord), record.fields()});
    const std::int64_t revision = ++k.last;
    k.revision = revision;
    k.fields = record.fields();
    batch_->revisions.push_back(revision);
    batch_->forgetAnswersOf(file);
    ++writesInTransaction_[file];
    if (batch_->written.size() >= Batch::kWrites)
        sendWrites();
    return revision;
}

// Outside a batch there is nothing held back. Inside, the batch forgets what it knew
// as well: what is done next beside it, a removal or a load, may change it.
void Database::sendHeldWrites() {
    if (!batch_)
        return;
    sendWrites();
    batch_->forget();
}

// What the batch knows stays true once its writes are sent, its own writes being in it:
// the keys it read ahead are not asked for again.
void Database::sendWrites() {
    batch_->endIfFailed();
    Batch sent;
    std::swap(sent.written, batch_->written);
    std::swap(sent.revisions, batch_->revisions);
    std::swap(sent.unsentFolds, batch_->unsentFolds);
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

// The engine gives each write the revision that follows its key's history: another
// than the batch foresaw means that another desk wrote the key since the batch read it.
void Database::send(const Batch& sent) {
    const std::vector<std::int64_t> revisions = connection_->writeRecords(sent.written, user_);
    for (std::size_t i = 0; i < revisions.size(); ++i)
        if (revisions[i] != sent.revisions[i])
            throw changedMeanwhile(sent.written[i].file, sent.written[i].key);
}

}  // namespace ondrel
