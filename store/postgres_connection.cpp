#include "store/postgres_connection.h"

#include <pqxx/pqxx>
#include <tuple>
#include <utility>

#include "data/data_error.h"
#include "store/password_mask.h"
#include "store/statement_cache.h"
#include "store/store_error.h"

namespace ondrel {

namespace {

// Every text in byte order, as in the file: the lists and the prefix ranges answer
// exactly as they do there, through the same indexes.
constexpr const char* kSchema = R"sql(
CREATE TABLE file(name text COLLATE "C" PRIMARY KEY);
CREATE TABLE record(
    file text COLLATE "C" NOT NULL, key text COLLATE "C" NOT NULL, key_fold text COLLATE "C" NOT NULL,
    revision bigint NOT NULL DEFAULT 1,
    PRIMARY KEY(file, key));
CREATE INDEX record_by_fold ON record(file, key_fold);
CREATE TABLE field(
    file text COLLATE "C" NOT NULL, key text COLLATE "C" NOT NULL, num integer NOT NULL,
    whole text COLLATE "C" NOT NULL, fold text COLLATE "C" NOT NULL,
    PRIMARY KEY(file, key, num));
CREATE INDEX field_by_fold ON field(file, num, fold);
CREATE TABLE rights(
    "user" text COLLATE "C" NOT NULL, screen text COLLATE "C" NOT NULL, level integer NOT NULL,
    PRIMARY KEY("user", screen));
CREATE TABLE history(
    file text COLLATE "C" NOT NULL, key text COLLATE "C" NOT NULL, revision bigint NOT NULL,
    author text NOT NULL, at text NOT NULL, deleted integer NOT NULL,
    PRIMARY KEY(file, key, revision));
CREATE TABLE history_field(
    file text COLLATE "C" NOT NULL, key text COLLATE "C" NOT NULL, revision bigint NOT NULL, num integer NOT NULL,
    whole text COLLATE "C" NOT NULL,
    PRIMARY KEY(file, key, revision, num));
CREATE TABLE ondrel_mark(application text NOT NULL, version integer NOT NULL);
INSERT INTO ondrel_mark VALUES('ONDR', 2);
REVOKE ALL ON rights, ondrel_mark FROM PUBLIC;
GRANT SELECT ON rights, ondrel_mark TO PUBLIC;
)sql";

// The history is kept by the writers but vouched for by the server, whatever client
// writes: each revision is signed by the role that wrote it, at the server's time; a
// revision is added only by the transaction that writes it, above every revision that
// others wrote, and never changed; and at each commit a record and its fields must be
// what the history's last revision of that key, written in the same transaction,
// holds, and a deleted record must end its history with a deletion. So no role but
// the owner can change a record without a revision, nor add to, change or remove one
// that it did not write just then.
//
// Each statement notes the keys it touched, once a transaction, and each key noted is
// checked once at the commit: a check a row would cost some forty questions a record.
// The checks run with the owner's rights, on the tables of the suite alone: no table
// of a session's own hides them.
constexpr const char* kHistoryGuard = R"sql(
CREATE UNLOGGED TABLE IF NOT EXISTS ondrel_touched(
    tx bigint NOT NULL, file text COLLATE "C" NOT NULL, key text COLLATE "C" NOT NULL,
    PRIMARY KEY(tx, file, key));
REVOKE ALL ON ondrel_touched FROM PUBLIC;
CREATE OR REPLACE FUNCTION ondrel_sign_revision() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.author := session_user;
    NEW.at := to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS');
    RETURN NEW;
END $$;
CREATE OR REPLACE FUNCTION ondrel_note_keys() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS $$
BEGIN
    IF TG_TABLE_NAME IN ('history', 'history_field') THEN
        IF TG_OP <> 'INSERT' THEN
            RAISE EXCEPTION 'ondrel: the history is only added to';
        END IF;
        IF EXISTS (SELECT 1 FROM (SELECT DISTINCT file, key, revision FROM added) a
                   WHERE NOT coalesce((SELECT h.xmin::text::bigint = txid_current() % 4294967296 FROM history h
                                       WHERE h.file = a.file AND h.key = a.key AND h.revision = a.revision), false)
                      OR EXISTS (SELECT 1 FROM history h WHERE h.file = a.file AND h.key = a.key
                                 AND h.revision > a.revision AND h.xmin::text::bigint <> txid_current() % 4294967296)) THEN
            RAISE EXCEPTION 'ondrel: a revision written outside its own write';
        END IF;
    END IF;
    IF TG_OP IN ('INSERT', 'UPDATE') THEN
        INSERT INTO ondrel_touched SELECT DISTINCT txid_current(), file, key FROM added ON CONFLICT DO NOTHING;
    END IF;
    IF TG_OP IN ('UPDATE', 'DELETE') THEN
        INSERT INTO ondrel_touched SELECT DISTINCT txid_current(), file, key FROM removed ON CONFLICT DO NOTHING;
    END IF;
    RETURN NULL;
END $$;
CREATE OR REPLACE FUNCTION ondrel_check_history() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    f text := NEW.file;
    k text := NEW.key;
    stored bigint;
    last record;
BEGIN
    -- A key touched again after its check, as when the checks are asked at once, is
    -- noted and checked again.
    DELETE FROM ondrel_touched WHERE tx = NEW.tx AND file = f AND key = k;
    SELECT revision INTO stored FROM record WHERE file = f AND key = k;
    SELECT h.revision, h.deleted, h.xmin::text::bigint = txid_current() % 4294967296 AS fresh INTO last
        FROM history h WHERE h.file = f AND h.key = k ORDER BY h.revision DESC LIMIT 1;
    IF stored IS NULL THEN
        IF last.revision IS NOT NULL AND NOT (last.deleted = 1 AND last.fresh) THEN
            RAISE EXCEPTION 'ondrel: % % deleted without its revision', f, k;
        END IF;
        RETURN NULL;
    END IF;
    IF last.revision IS DISTINCT FROM stored OR last.deleted <> 0 OR NOT last.fresh THEN
        RAISE EXCEPTION 'ondrel: % % changed without its revision', f, k;
    END IF;
    IF EXISTS (SELECT num, whole FROM field WHERE file = f AND key = k
               EXCEPT SELECT num, whole FROM history_field WHERE file = f AND key = k AND revision = stored)
       OR EXISTS (SELECT num, whole FROM history_field WHERE file = f AND key = k AND revision = stored
                  EXCEPT SELECT num, whole FROM field WHERE file = f AND key = k) THEN
        RAISE EXCEPTION 'ondrel: % % differs from its revision %', f, k, stored;
    END IF;
    RETURN NULL;
END $$;
DO $$
DECLARE t text;
BEGIN
    FOREACH t IN ARRAY ARRAY['ondrel_note_keys', 'ondrel_check_history'] LOOP
        EXECUTE format('ALTER FUNCTION %I() SET search_path = pg_catalog, %I, pg_temp', t, current_schema());
    END LOOP;
    FOREACH t IN ARRAY ARRAY['record', 'field', 'history', 'history_field'] LOOP
        EXECUTE format('DROP TRIGGER IF EXISTS ondrel_check ON %I', t);
        EXECUTE format('DROP TRIGGER IF EXISTS ondrel_note_added ON %I', t);
        EXECUTE format('DROP TRIGGER IF EXISTS ondrel_note_changed ON %I', t);
        EXECUTE format('DROP TRIGGER IF EXISTS ondrel_note_removed ON %I', t);
        EXECUTE format('CREATE TRIGGER ondrel_note_added AFTER INSERT ON %I REFERENCING NEW TABLE AS added '
                       'FOR EACH STATEMENT EXECUTE FUNCTION ondrel_note_keys()', t);
        EXECUTE format('CREATE TRIGGER ondrel_note_changed AFTER UPDATE ON %I REFERENCING OLD TABLE AS removed '
                       'NEW TABLE AS added FOR EACH STATEMENT EXECUTE FUNCTION ondrel_note_keys()', t);
        EXECUTE format('CREATE TRIGGER ondrel_note_removed AFTER DELETE ON %I REFERENCING OLD TABLE AS removed '
                       'FOR EACH STATEMENT EXECUTE FUNCTION ondrel_note_keys()', t);
    END LOOP;
END $$;
DROP TRIGGER IF EXISTS ondrel_sign ON history;
CREATE TRIGGER ondrel_sign BEFORE INSERT ON history FOR EACH ROW EXECUTE FUNCTION ondrel_sign_revision();
DROP TRIGGER IF EXISTS ondrel_check ON ondrel_touched;
CREATE CONSTRAINT TRIGGER ondrel_check AFTER INSERT ON ondrel_touched
    DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION ondrel_check_history();
)sql";

constexpr int kSchemaVersion = 2;
constexpr const char* kRecordTables = "file, record, field";
constexpr const char* kHistoryTables = "history, history_field";

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
        });
    }

    // The suite's mark, and the role's own rights: a role that may not write records
    // runs for consultation, as with a file it cannot write.
    void checkMark() {
        guard("ouverture", [&] {
            pqxx::nontransaction t(*c_);
            const bool marked = !t.exec("SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND "
                                        "tablename = 'ondrel_mark'")
                                     .empty();
            if (!marked)
                throw DataError(kNotOurDatabase, notOurServerDatabase());
            const auto version = t.exec("SELECT version FROM ondrel_mark WHERE application = 'ONDR'");
            if (version.empty() || version.at(0).at(0).as<int>() != kSchemaVersion)
                throw DataError(kNotOurDatabase, notOurServerDatabase());
            if (access_ == Access::Automatic && !t.exec("SELECT has_table_privilege('record', 'INSERT')").at(0).at(0).as<bool>()) {
                readOnly_ = true;
                t.exec("SET default_transaction_read_only = on");
            }
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
            t.exec(kHistoryGuard);
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

    // The server's COPY: each batch of rows in one stream.
    void append(const std::string& table, const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows) override {
        guard("écriture", [&] {
            inTransaction([&] {
                pqxx::stream_to copy(*tx_, table, columns);
                switch (columns.size()) {
                case 4: copyRows(copy, rows, std::make_index_sequence<4>{}); break;
                case 5: copyRows(copy, rows, std::make_index_sequence<5>{}); break;
                case 6: copyRows(copy, rows, std::make_index_sequence<6>{}); break;
                default: throw std::logic_error("append: no table of the suite has " + std::to_string(columns.size()) + " columns");
                }
                copy.complete();
            });
        });
    }

    // What notes the keys to check is a trigger of each table: disabled for the work and
    // enabled again in the same transaction, so that no other session ever sees the
    // tables without it.
    void uncheckedLoad(const std::function<void()>& work) override {
        guard("chargement", [&] {
            inTransaction([&] {
                checkHistory("DISABLE");
                work();
                checkHistory("ENABLE");
            });
        });
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

    void grantAccess(const std::string& user, bool write) override {
        guard("droits de " + user, [&] {
            inTransaction([&] {
                // A server made before the guard gets it before anyone may write.
                tx_->exec(kHistoryGuard);
                const std::string role = tx_->quote_name(user);
                tx_->exec(std::string("GRANT SELECT ON ") + kRecordTables + ", " + kHistoryTables + " TO " + role);
                tx_->exec(std::string("REVOKE INSERT, UPDATE, DELETE ON ") + kRecordTables + ", " + kHistoryTables +
                          " FROM " + role);
                // The history only grows: a writer adds revisions, and changes or
                // deletes none.
                if (write)
                    tx_->exec(std::string("GRANT INSERT, UPDATE, DELETE ON ") + kRecordTables + " TO " + role + "; GRANT "
                              "INSERT ON " + kHistoryTables + " TO " + role);
            });
        });
    }

    // The server plans from statistics that its own daemon refreshes only a while
    // after a bulk load: until then a list of a fresh import could take seconds.
    void refreshStatistics() override {
        guard("statistiques", [&] { pqxx::nontransaction(*c_).exec("ANALYZE record, field"); });
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

    void checkHistory(const char* how) {
        for (const char* table : {"record", "field", "history", "history_field"})
            tx_->exec(std::string("ALTER TABLE ") + table + " " + how + " TRIGGER ondrel_note_added, " + how +
                      " TRIGGER ondrel_note_changed, " + how + " TRIGGER ondrel_note_removed");
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
    return hidePasswords(uri);
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
