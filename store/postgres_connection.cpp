#include "store/postgres_connection.h"

#include <pqxx/pqxx>
#include <tuple>
#include <utility>

#include "data/data_error.h"
#include "data/record.h"
#include "data/text_fold.h"
#include "store/field_array.h"
#include "store/password_mask.h"
#include "store/server_rules.h"
#include "store/statement_cache.h"
#include "store/store_error.h"

namespace ondrel {

namespace {

// Every text in byte order, as in the file: the lists and the prefix ranges answer
// exactly as they do there, through the same indexes. A record in one row, its fields
// in one array, and a revision of the history in one row: a list reads each record
// once, and a write makes two rows. The label's folded copy is what a search by label
// reads; empty when the record has no label.
constexpr const char* kRecordTables = R"sql(
CREATE TABLE record(
    file text COLLATE "C" NOT NULL, key text COLLATE "C" NOT NULL, key_fold text COLLATE "C" NOT NULL,
    revision bigint NOT NULL DEFAULT 1, fields text[] NOT NULL DEFAULT '{}', label_fold text COLLATE "C" NOT NULL DEFAULT '',
    PRIMARY KEY(file, key));
CREATE INDEX record_by_fold ON record(file, key_fold);
CREATE INDEX record_by_label ON record(file, label_fold);
CREATE TABLE history(
    file text COLLATE "C" NOT NULL, key text COLLATE "C" NOT NULL, revision bigint NOT NULL,
    author text NOT NULL, at text NOT NULL, deleted integer NOT NULL, fields text[] NOT NULL DEFAULT '{}',
    PRIMARY KEY(file, key, revision));
)sql";

constexpr const char* kSchema = R"sql(
CREATE TABLE file(name text COLLATE "C" PRIMARY KEY);
CREATE TABLE rights(
    "user" text COLLATE "C" NOT NULL, screen text COLLATE "C" NOT NULL, level integer NOT NULL,
    PRIMARY KEY("user", screen));
CREATE TABLE ondrel_mark(application text NOT NULL, version integer NOT NULL);
INSERT INTO ondrel_mark VALUES('ONDR', 3);
REVOKE ALL ON rights, ondrel_mark FROM PUBLIC;
GRANT SELECT ON rights, ondrel_mark TO PUBLIC;
)sql";

// The second version kept a row a field of each record and of each revision: each
// record and each revision takes its fields' array, the tables of the fields go. Run
// by the owner, in the transaction that installs the rules again.
constexpr const char* kFromSecondVersion = R"sql(
ALTER TABLE record RENAME TO record_v2;
ALTER INDEX record_by_fold RENAME TO record_v2_by_fold;
ALTER TABLE record_v2 RENAME CONSTRAINT record_pkey TO record_v2_pkey;
ALTER TABLE history RENAME TO history_v2;
ALTER TABLE history_v2 RENAME CONSTRAINT history_pkey TO history_v2_pkey;
@RECORD_TABLES@
INSERT INTO record(file, key, key_fold, revision, fields, label_fold)
SELECT r.file, r.key, r.key_fold, r.revision, coalesce(a.fields, '{}'), coalesce(a.label_fold, '')
FROM record_v2 r LEFT JOIN (
    SELECT f.file, f.key, array_agg(x.whole ORDER BY g.n) AS fields, max(x.fold) FILTER (WHERE g.n = 1) AS label_fold
    FROM (SELECT file, key, max(num) AS m FROM field WHERE num >= 1 GROUP BY file, key) f
    CROSS JOIN LATERAL generate_series(1, f.m) g(n)
    LEFT JOIN field x ON x.file = f.file AND x.key = f.key AND x.num = g.n
    GROUP BY f.file, f.key) a ON a.file = r.file AND a.key = r.key;
INSERT INTO history(file, key, revision, author, at, deleted, fields)
SELECT h.file, h.key, h.revision, h.author, h.at, h.deleted, coalesce(a.fields, '{}')
FROM history_v2 h LEFT JOIN (
    SELECT f.file, f.key, f.revision, array_agg(x.whole ORDER BY g.n) AS fields
    FROM (SELECT file, key, revision, max(num) AS m FROM history_field WHERE num >= 1 GROUP BY file, key, revision) f
    CROSS JOIN LATERAL generate_series(1, f.m) g(n)
    LEFT JOIN history_field x ON x.file = f.file AND x.key = f.key AND x.revision = f.revision AND x.num = g.n
    GROUP BY f.file, f.key, f.revision) a ON a.file = h.file AND a.key = h.key AND a.revision = h.revision;
-- Whoever could read the records still may.
DO $$
DECLARE
    reader text;
BEGIN
    FOR reader IN SELECT DISTINCT pg_get_userbyid(a.grantee) FROM pg_class c, aclexplode(c.relacl) a
                  WHERE c.oid = 'record_v2'::regclass AND a.privilege_type = 'SELECT' AND a.grantee NOT IN (0, c.relowner) LOOP
        EXECUTE format('GRANT SELECT ON record, history TO %I', reader);
    END LOOP;
END $$;
DROP TABLE record_v2, field, history_v2, history_field;
UPDATE ondrel_mark SET version = 3 WHERE application = 'ONDR';
)sql";

constexpr int kSchemaVersion = 3;
constexpr const char* kDataTables = "file, record, history";

// Fewer writes than these leave the plans as they were.
constexpr std::size_t kBulkWrites = 1000;

// How many records of a file the server plans for, as its statistics last saw them.
std::size_t plannedRecords(pqxx::nontransaction& tx, const std::string& file) {
    const std::string scan = tx.exec("EXPLAIN SELECT 1 FROM record WHERE file = " + tx.quote(file)).at(0).at(0).c_str();
    const auto rows = scan.find(" rows=");
    return rows == std::string::npos ? 0 : std::stoull(scan.substr(rows + 6));
}

template <class Kind>
bool is(const std::exception& e) {
    return dynamic_cast<const Kind*>(&e) != nullptr;
}

// Why a connection failed, in French: libpq says it in English.
std::string connectionFault(const std::string& said) {
    if (said.find("password") != std::string::npos || said.find("authentication") != std::string::npos)
        return "l'utilisateur ou le mot de passe est refusé";
    if (said.find("does not exist") != std::string::npos)
        return "l'utilisateur ou la base de données n'existe pas sur ce serveur";
    if (said.find("no pg_hba.conf entry") != std::string::npos || said.find("not permitted") != std::string::npos)
        return "le serveur n'accepte pas de connexion de ce poste pour cet utilisateur";
    if (said.find("too many") != std::string::npos)
        return "le serveur a déjà trop de connexions";
    if (said.find("invalid") != std::string::npos || said.find("missing") != std::string::npos)
        return "l'adresse de la base n'est pas une adresse PostgreSQL valide";
    return "il ne répond pas : vérifiez qu'il est démarré et son adresse";
}

// The library tells the server's faults apart by their class; a few come only as text.
// The person reads them in French; the server's own words stay in its log.
DataError serverError(const std::string& location, const std::string& what, const std::exception& e) {
    const std::string said = firstLine(e.what());
    // The rules of the server say in French why they refuse.
    if (const auto* refused = dynamic_cast<const pqxx::sql_error*>(&e); refused && refused->sqlstate().rfind("OD", 0) == 0) {
        const std::string code = refused->sqlstate();
        return DataError(code == "OD409"   ? kRecordChanged
                         : code == "OD404" ? kFileNotFound
                         : code == "OD423" ? kBudgetLocked
                                           : kBadValue,
                         said);
    }
    if (is<pqxx::broken_connection>(e))
        return DataError(kStoreFailure, "Le serveur de la base « " + location + " » est injoignable (" +
                                            connectionFault(said) + ") : rien n'a été lu ni enregistré. "
                                            "Recommencez quand il répondra.");
    if (is<pqxx::unique_violation>(e))
        return DataError(kRecordChanged, "Un autre poste a créé cet enregistrement au même moment : rien n'a été "
                                         "enregistré.");
    if (is<pqxx::insufficient_privilege>(e))
        return DataError(kStoreFailure, "Vos droits sur la base ne permettent pas cette opération (" + what +
                                            ") : rien n'a été enregistré.");
    if (said.find("read-only transaction") != std::string::npos)
        return DataError(kStoreFailure, readOnlyDatabase());
    if (is<pqxx::transaction_rollback>(e) || said.find("lock timeout") != std::string::npos ||
        said.find("could not obtain lock") != std::string::npos)
        return DataError(kStoreFailure, busyDatabase());
    if (is<pqxx::disk_full>(e))
        return DataError(kStoreFailure, fullDisk());
    if (said.find("invalid byte sequence") != std::string::npos)
        return DataError(kBadValue, "Un texte n'est pas de l'UTF-8 valide ; le serveur ne peut pas le conserver : "
                                    "rien n'a été enregistré.");
    if (is<pqxx::undefined_table>(e))
        return DataError(kStoreFailure, "Il manque des tables d'Ondrel dans la base « " + location + " » (" + what +
                                            ") : rien n'a été enregistré.");
    return DataError(kStoreFailure, "La base de données a refusé l'opération (" + what + ") : rien n'a été "
                                    "enregistré. Le journal du serveur en donne la raison.");
}

DataError outcomeUnknown(const std::string& location) {
    return DataError(kOutcomeUnknown, "La connexion au serveur de la base « " + location + " » a été perdue au moment "
                                      "de valider l'opération : on ne peut pas savoir si elle a abouti. La ligne est "
                                      "réaffichée telle qu'elle est maintenant en base.");
}

// A text parameter goes to the server up to its first NUL: a text that holds one is
// refused rather than cut short.
std::vector<std::string> asTexts(const Params& params) {
    std::vector<std::string> texts;
    texts.reserve(params.size());
    for (const auto& p : params) {
        if (const auto* i = std::get_if<std::int64_t>(&p)) {
            texts.push_back(std::to_string(*i));
        } else {
            const auto& text = std::get<std::string>(p);
            if (text.find('\0') != std::string::npos)
                throw DataError(kBadValue, "Un texte contient le caractère nul, que le serveur ne conserve pas : "
                                           "rien n'a été enregistré.");
            texts.push_back(text);
        }
    }
    return texts;
}

// A row a write and a column a field, as wide as the write of most fields and at least
// one: NULL where a field is empty. Each field as form makes it from its values: its
// whole text, or its folded copy.
std::string writeArray(const std::vector<RecordWrite>& writes, std::string (*form)(const std::vector<std::string>&)) {
    std::size_t width = 1;
    for (const auto& w : writes)
        width = std::max(width, w.fields.size());
    std::string out = "{";
    std::vector<std::optional<std::string>> row(width);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        for (std::size_t f = 0; f < width; ++f)
            row[f] = f < writes[i].fields.size() && !writes[i].fields[f].empty()
                         ? std::optional<std::string>(form(writes[i].fields[f]))
                         : std::nullopt;
        if (i)
            out += ',';
        out += wholesArray(row);
    }
    return out + "}";
}

std::string wholeOf(const std::vector<std::string>& values) {
    return joinValues(values);
}

std::string foldOf(const std::vector<std::string>& values) {
    return foldCase(joinValues(values));
}

class PgRow final : public Row {
public:
    explicit PgRow(const pqxx::row& row) : row_(row) {}
    bool isNull(int column) const override { return row_[column].is_null(); }
    std::string_view text(int column) const override { return {row_[column].c_str(), row_[column].size()}; }
    std::int64_t integer(int column) const override { return row_[column].as<std::int64_t>(); }

private:
    const pqxx::row& row_;
};

// A statement prepared on the server, deallocated there when the cache lets it go.
class Prepared {
public:
    Prepared(pqxx::connection& c, std::string name, const std::string& sql) : c_(c), name_(std::move(name)) {
        c_.prepare(name_, numbered(sql));
    }
    ~Prepared() {
        try {
            c_.unprepare(name_);
        } catch (const std::exception&) {
            // The session ends with the connection, and its statements with it.
        }
    }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    const std::string& name() const { return name_; }

private:
    pqxx::connection& c_;
    std::string name_;
};

class PgConnection final : public Connection {
public:
    PgConnection(const std::string& uri, Access access)
        : uri_(uri), location_(withoutPassword(uri)), access_(access), readOnly_(access == Access::ReadOnly) {
        connect();
    }

    // A connection and its session. The library's own reconnection would lose the
    // settings below, so it is ours: a connection lost is made again before the next
    // statement outside a transaction, with its settings and without its statements.
    void connect() {
        lost_ = false;
        cache_.clear();
        c_.reset();
        c_ = guard("connexion", [&] { return std::make_unique<pqxx::connection>(uri_); });
        guard("connexion", [&] {
            pqxx::nontransaction t(*c_);
            // Every text goes to the server and comes back as UTF-8, whatever the
            // client's locale. A desk waits for another's lock as long as it would
            // on a file, then says the database is busy.
            t.exec("SET client_encoding = 'UTF8'");
            t.exec("SET lock_timeout = '" + std::to_string(kLockWaitSeconds) + "s'");
            // The rules write only where each statement reads what is committed: a
            // server whose default is another isolation level changes nothing here.
            t.exec("SET default_transaction_isolation = 'read committed'");
            // A session that holds a year is named by its program to whoever waits for it.
            t.exec("SELECT set_config('application_name', 'Ondrel', false) WHERE current_setting('application_name') = ''");
            // Every statement of the service is shaped to be answered through an index
            // whatever its values: planned once, not again at each keystroke. And a
            // worker process started for a list of a hundred rows costs more than the
            // list itself. A server that has no such setting plans as it will.
            for (const char* setting : {"SET plan_cache_mode = force_generic_plan",
                                        "SET max_parallel_workers_per_gather = 0"}) {
                try {
                    t.exec(setting);
                } catch (const pqxx::sql_error&) {
                }
            }
            if (readOnly_)
                t.exec("SET default_transaction_read_only = on");
            user_ = t.exec("SELECT current_user").at(0).at(0).c_str();
            // Before any statement of the suite: none may call, in this session, a
            // function or an operator that another role left in a schema of its path.
            if (const pqxx::result refused = t.exec(sessionSchemaRefusal()); !refused.empty())
                throw DataError(kStoreFailure, refused.at(0).at(0).c_str());
        });
    }

    // The suite's mark, and the role's own rights: a role that may not write records
    // runs for consultation, as with a file it cannot write. Rules older than this
    // program's are brought up to date by the owner opening for writing; until then
    // the others only consult. Tables of the second version are brought up to date
    // the same way, with the rules, and are not read before.
    void checkMark() {
        bool install = false;
        bool upgrade = false;
        guard("ouverture", [&] {
            pqxx::nontransaction t(*c_);
            const bool marked = !t.exec("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND "
                                        "tablename = 'ondrel_mark'")
                                     .empty();
            if (!marked)
                throw DataError(kNotOurDatabase, notOurServerDatabase());
            const auto marks = t.exec("SELECT version FROM ondrel_mark WHERE application = 'ONDR'");
            const int version = marks.empty() ? 0 : marks.at(0).at(0).as<int>();
            if (version != kSchemaVersion && version != 2)
                throw DataError(kNotOurDatabase, notOurServerDatabase());
            const bool owner = t.exec("SELECT pg_has_role(current_user, relowner, 'MEMBER') FROM pg_catalog.pg_class "
                                      "WHERE oid = 'record'::regclass").at(0).at(0).as<bool>();
            upgrade = version == 2;
            if (upgrade && (!owner || access_ == Access::ReadOnly))
                throw DataError(kNotOurDatabase,
                                "La base « " + location_ + " » a été faite par une version précédente d'Ondrel : son "
                                "propriétaire doit l'ouvrir une fois en écriture pour la mettre à jour. Rien n'y a été "
                                "lu ni écrit.");
            const bool current = t.exec_params("SELECT obj_description(to_regprocedure($1), 'pg_proc') = $2",
                                               std::string(kWriteFunction), std::string(kRulesVersion))
                                     .at(0).at(0).as<bool>(false);
            install = (upgrade || !current) && owner && access_ != Access::ReadOnly;
            if (!install && access_ == Access::Automatic &&
                (!current || !t.exec_params("SELECT has_function_privilege($1, 'EXECUTE')", std::string(kWriteFunction))
                                   .at(0).at(0).as<bool>()))
                readOnly_ = true;
        });
        guard("mise à jour des règles", [&] {
            if (upgrade)
                inTransaction([&] {
                    std::string steps = kFromSecondVersion;
                    steps.replace(steps.find("@RECORD_TABLES@"), 15, kRecordTables);
                    tx_->exec(steps);
                    tx_->exec(serverRules());
                });
            else if (install)
                installRules();
            if (readOnly_)
                pqxx::nontransaction(*c_).exec("SET default_transaction_read_only = on");
        });
    }

    void makeTables() {
        guard("création des tables", [&] {
            pqxx::work t(*c_);
            if (!t.exec("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND tablename IN "
                        "('ondrel_mark', 'file', 'record', 'field', 'rights', 'history', 'history_field')")
                     .empty())
                throw DataError(kStoreFailure, "La base « " + location_ + " » contient déjà des tables de ces noms : "
                                               "une base n'est jamais créée par-dessus une autre.");
            t.exec(kSchema);
            t.exec(kRecordTables);
            t.exec(serverRules());
            t.commit();
        });
    }

    void query(const std::string& sql, const Params& params, const EachRow& each) override {
        guard("lecture", [&] {
            const auto texts = asTexts(params);
            const auto name = statement(sql);
            withTransaction([&](pqxx::transaction_base& t) {
                const pqxx::result r = t.exec_prepared(name->name(), pqxx::prepare::make_dynamic_params(texts));
                for (const auto& row : r)
                    each(PgRow(row));
            });
        });
    }

    // A cursor in the open transaction, or in one of its own: what each row's visitor
    // reads meanwhile sees the same snapshot.
    void stream(const std::string& sql, const Params& params, const EachRow& each) override {
        guard("lecture", [&] {
            const auto texts = asTexts(params);
            inTransaction([&] {
                const std::string cursor = "ondrel_stream_" + std::to_string(++cursors_);
                tx_->exec("DECLARE " + cursor + " NO SCROLL CURSOR FOR " + withLiterals(sql, texts));
                for (;;) {
                    const pqxx::result batch = tx_->exec("FETCH 1000 FROM " + cursor);
                    for (const auto& row : batch)
                        each(PgRow(row));
                    if (batch.size() < 1000)
                        break;
                }
                tx_->exec("CLOSE " + cursor);
            });
        });
    }

    std::int64_t exec(const std::string& sql, const Params& params) override {
        return guard("écriture", [&] {
            const auto texts = asTexts(params);
            const auto name = statement(sql);
            std::int64_t changed = 0;
            withTransaction([&](pqxx::transaction_base& t) {
                changed = t.exec_prepared(name->name(), pqxx::prepare::make_dynamic_params(texts)).affected_rows();
            });
            return changed;
        });
    }

    void inTransaction(const std::function<void()>& work) override {
        if (tx_) {
            work();
            return;
        }
        guard("transaction", [&] {
            pqxx::work t(*c_);
            tx_ = &t;
            struct Clear {
                pqxx::transaction_base*& tx;
                ~Clear() { tx = nullptr; }
            } clear{tx_};
            work();
            try {
                t.commit();   // the destructor rolls back on any exception before this line
            } catch (const pqxx::broken_connection&) {
                lost_ = true;
                throw outcomeUnknown(location_);
            }
        });
    }

    // The server's COPY: each batch of rows in one stream. The tables refuse a write
    // that is not the rules' own; the owner's load of new records, each with its first
    // revision in the history, is the one other, and says so for its own statement.
    void append(const std::string& table, const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows) override {
        guard("écriture", [&] {
            inTransaction([&] {
                tx_->exec("SELECT set_config('ondrel.writing', 'on', true)");
                pqxx::stream_to copy(*tx_, table, columns);
                switch (columns.size()) {
                case 6: copyRows(copy, rows, std::make_index_sequence<6>{}); break;
                case 7: copyRows(copy, rows, std::make_index_sequence<7>{}); break;
                default: throw std::logic_error("append: no table of the suite has " + std::to_string(columns.size()) + " columns");
                }
                copy.complete();
                tx_->exec("SELECT set_config('ondrel.writing', '', true)");   // a failure ends the transaction, and the setting with it
            });
        });
    }

    std::vector<std::int64_t> writeRecords(const std::vector<RecordWrite>& writes, const std::string&) override {
        std::vector<std::string> files, keys, folds;
        std::string seen = "{";
        for (const auto& w : writes) {
            files.push_back(w.file);
            keys.push_back(w.key);
            folds.push_back(foldCase(w.key));
            seen += (seen.size() > 1 ? "," : "") + std::to_string(w.seen);
        }
        seen += "}";
        std::vector<std::int64_t> revisions;
        refusable([&] {
            revisions.clear();
            query("SELECT r FROM ondrel_write(?::text[], ?::text[], ?::text[], ?::bigint[], ?::text[], ?::text[]) AS r",
                  {textArray(files), textArray(keys), textArray(folds), seen, writeArray(writes, wholeOf),
                   writeArray(writes, foldOf)},
                  [&](const Row& row) { revisions.push_back(row.integer(0)); });
        });
        return revisions;
    }

    void removeRecord(const std::string& file, const std::string& key, std::int64_t seen, const std::string&) override {
        refusable([&] { query("SELECT ondrel_remove(?, ?::text, ?::bigint)", {file, key, seen}, [](const Row&) {}); });
    }

    // One call for them all: a version's thousands of lines are one trip.
    void removeRecords(const std::string& file, const std::vector<std::string>& keys, const std::string&) override {
        if (keys.empty())
            return;
        std::string seen = "{";
        for (std::size_t i = 0; i < keys.size(); ++i)
            seen += i == 0 ? "-1" : ",-1";
        seen += "}";
        refusable([&] {
            query("SELECT ondrel_remove(?, ?::text[], ?::bigint[])", {file, textArray(keys), seen}, [](const Row&) {});
        });
    }

    void createFile(const std::string& name) override {
        query("SELECT ondrel_make_file(?)", {name}, [](const Row&) {});
    }

    // The plan where the server is told to avoid reading whole tables: a step that
    // still reads one has no index to answer it.
    std::vector<std::string> plan(const std::string& sql, const Params& params) override {
        return guard("plan", [&] {
            const auto texts = asTexts(params);
            std::vector<std::string> steps;
            inTransaction([&] {
                tx_->exec("SET LOCAL enable_seqscan = off");
                for (const auto& row : tx_->exec("EXPLAIN " + withLiterals(sql, texts)))
                    steps.push_back(row.at(0).c_str());
            });
            return steps;
        });
    }

    bool readOnly() const override { return readOnly_; }
    std::string engine() const override {
        const int v = c_->server_version();
        return "PostgreSQL " + std::to_string(v / 10000) + "." + std::to_string(v % 10000);
    }
    std::string location() const override { return location_; }
    std::optional<std::string> serverUser() override { return user_; }

    // The rules are installed again first, so that a database made by an earlier
    // version takes them before anyone may write.
    bool grantAccess(const std::string& user, bool write) override {
        return guard("droits de " + user, [&] {
            bool exists = false;
            inTransaction([&] {
                installRules();
                exists = !tx_->exec_params("SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = $1", user).empty();
                if (!exists)
                    return;
                const std::string role = tx_->quote_name(user);
                const std::string functions = std::string(kWriteFunction) + ", " + kRemoveFunction + ", " +
                                              kRemoveAllFunction + ", " + kMakeFileFunction + ", " + kStatisticsFunction;
                tx_->exec(std::string("GRANT SELECT ON ") + kDataTables + " TO " + role);
                tx_->exec((write ? "GRANT EXECUTE ON FUNCTION " + functions + " TO "
                                 : "REVOKE EXECUTE ON FUNCTION " + functions + " FROM ") + role);
            });
            return exists;
        });
    }

    // The server plans from statistics that its own daemon refreshes only a while
    // after a bulk load: until then a list of a fresh import, planned as if the file
    // were empty, could take seconds. A file the statistics already see about as large
    // is planned well, and is spared the tables' new reading.
    void refreshStatistics(const std::map<std::string, std::size_t>& writesByFile) override {
        for (const auto& written : writesByFile) {
            if (written.second < kBulkWrites)
                continue;
            const bool refreshed = guard("statistiques", [&] {
                pqxx::nontransaction tx(*c_);
                if (2 * plannedRecords(tx, written.first) >= written.second)
                    return false;
                tx.exec("SELECT ondrel_refresh_statistics()");
                return true;
            });
            if (refreshed)
                return;
        }
    }

    std::size_t cachedStatements() const override { return cache_.size(); }

private:
    // The library streams rows of a known number of columns, as tuples.
    template <std::size_t... I>
    static void copyRows(pqxx::stream_to& copy, const std::vector<std::vector<std::string>>& rows,
                         std::index_sequence<I...>) {
        for (const auto& row : rows)
            copy << std::tie(row.at(I)...);
    }

    // A write that the rules refuse leaves the transaction it ran in as it was before
    // it, as a refused write does on a file: the writer may go on or give up.
    template <class Work>
    void refusable(Work&& work) {
        if (!tx_) {
            work();
            return;
        }
        tx_->exec("SAVEPOINT ondrel_write");
        try {
            work();
        } catch (const DataError&) {
            if (!lost_)
                tx_->exec("ROLLBACK TO SAVEPOINT ondrel_write");
            throw;
        }
        tx_->exec("RELEASE SAVEPOINT ondrel_write");
    }

    void installRules() {
        inTransaction([&] { tx_->exec(serverRules()); });
    }

    template <class Work>
    auto guard(const std::string& what, Work&& work) -> decltype(work()) {
        try {
            if (lost_ && !tx_)
                connect();
            return work();
        } catch (const DataError&) {
            throw;
        } catch (const pqxx::broken_connection& e) {
            lost_ = true;
            throw serverError(location_, what, e);
        } catch (const pqxx::in_doubt_error&) {
            lost_ = true;
            throw outcomeUnknown(location_);
        } catch (const pqxx::sql_error& e) {
            throw serverError(location_, what, e);
        } catch (const pqxx::failure& e) {
            throw serverError(location_, what, e);
        }
    }

    // One statement alone runs outside any transaction of ours, in the server's own.
    template <class Work>
    void withTransaction(Work&& work) {
        if (tx_) {
            work(*tx_);
            return;
        }
        pqxx::nontransaction t(*c_);
        work(t);
    }

    // A statement whose parameters are written in as quoted literals, for the commands
    // that take no parameters: a cursor, a plan.
    std::string withLiterals(const std::string& sql, const std::vector<std::string>& texts) const {
        // Quoted by appending: GCC 12 misreads the library's own concatenation at -O3.
        std::string out;
        std::size_t next = 0;
        for (char c : sql) {
            if (c != '?') {
                out += c;
                continue;
            }
            out += '\'';
            out += tx_->esc(texts.at(next++));
            out += '\'';
        }
        return out;
    }

    std::shared_ptr<Prepared> statement(const std::string& sql) {
        return cache_.get(sql, [&](const std::string& text) {
            return std::make_shared<Prepared>(*c_, "ondrel_" + std::to_string(++prepared_), text);
        });
    }

    std::string notOurServerDatabase() const {
        return "La base « " + location_ + " » ne contient pas les tables d'Ondrel : rien n'y a été écrit. Créez-les "
               "avec « ondrel-admin init », « init-demo » ou « import ».";
    }

    static constexpr int kLockWaitSeconds = 5;
    std::string uri_;   // with its password, which libpq needs again to reconnect
    std::string location_;
    std::unique_ptr<pqxx::connection> c_;
    bool lost_ = false;
    std::string user_;
    Access access_;
    bool readOnly_;
    pqxx::transaction_base* tx_ = nullptr;
    int prepared_ = 0;
    int cursors_ = 0;
    StatementCache<Prepared> cache_;   // after the connection: the statements go first
};

}  // namespace

std::string withoutPassword(const std::string& uri) {
    return hideLocationPassword(uri);
}

std::string numbered(const std::string& sql) {
    std::string out;
    int n = 0;
    for (char c : sql) {
        if (c != '?') {
            out += c;
            continue;
        }
        out += '$';
        out += std::to_string(++n);
    }
    return out;
}

bool isServerLocation(const std::string& location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Connection> openPostgres(const std::string& uri, Access access) {
    auto connection = std::make_unique<PgConnection>(uri, access);
    connection->checkMark();
    return connection;
}

std::unique_ptr<Connection> createPostgres(const std::string& uri) {
    auto connection = std::make_unique<PgConnection>(uri, Access::ReadWrite);
    connection->makeTables();
    return connection;
}

}  // namespace ondrel

#ifdef ONDREL_SANITIZE
// libpqxx 6.4 reads the connection's encoding before its result takes the PGresult
// that libpq made: on a connection the server has dropped, that read throws, and the
// PGresult of the failed statement is never freed (a few hundred bytes each time a
// connection is found lost). The leak is the library's own, mended in its 7.x; the
// leak sanitizer is told of PGresults that libpqxx never took, and of nothing else.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:PQmakeEmptyPGresult\n";
}
#endif
