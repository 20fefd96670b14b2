#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include "data/data_error.h"
#include "store/database.h"

namespace ondrel::test {

enum class Engine { SQLite, PostgreSQL };

inline std::string engineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

// The server that the test command started: a URI on its socket, or nothing when the
// tests run without one.
inline const char* testServer() {
    const char* uri = std::getenv("ONDREL_TEST_POSTGRES");
    return uri && *uri ? uri : nullptr;
}

// The engine of a test that does not name one: the test command runs the suites that
// use a database once more with ONDREL_TEST_ENGINE=postgresql.
inline Engine defaultEngine() {
    const char* engine = std::getenv("ONDREL_TEST_ENGINE");
    return engine && std::string(engine) == "postgresql" ? Engine::PostgreSQL : Engine::SQLite;
}

// A database of its own for each test, removed afterwards: a file, or a schema of its
// own on the test server.
class TempDatabase {
public:
    explicit TempDatabase(Engine engine = defaultEngine()) : engine_(engine) {
        static int counter = 0;
        const std::string name = "ondrel_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
        if (engine_ == Engine::SQLite) {
            location_ = (std::filesystem::temp_directory_path() / (name + ".db")).string();
            removeFiles();
        } else {
            if (!testServer())
                throw std::runtime_error("no test server: ONDREL_TEST_POSTGRES is not set (scripts/test sets it)");
            schema_ = name;
            sql("CREATE SCHEMA " + schema_);
            location_ = std::string(testServer()) + (std::string(testServer()).find('?') == std::string::npos ? "?" : "&") +
                        "options=-csearch_path%3D" + schema_;
        }
        db = Database::create(location_);
    }
    ~TempDatabase() {
        db.reset();
        if (engine_ == Engine::SQLite)
            removeFiles();
        else
            sql("DROP SCHEMA " + schema_ + " CASCADE");
    }
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    Engine engine() const { return engine_; }
    // The file, or the URI of the server with the test's own schema.
    const std::string& path() const { return location_; }

    void put(const std::string& file, const std::string& key, std::vector<std::vector<std::string>> fields) {
        db->createFile(file);
        db->write(file, db->makeRecord(file, key, std::move(fields)));
    }

    // Runs a statement behind the data service's back, on a connection of its own.
    void sql(const std::string& statement) {
        if (engine_ == Engine::SQLite) {
            SQLite::Database(location_, SQLite::OPEN_READWRITE).exec(statement);
            return;
        }
        pqxx::connection c(testServer());
        pqxx::nontransaction t(c);
        // Apart from the statement, which may be one that no transaction may hold.
        if (!schema_.empty() && statement.rfind("CREATE SCHEMA", 0) != 0 && statement.rfind("DROP SCHEMA", 0) != 0)
            t.exec("SET search_path = " + schema_);
        // The test's own hand on the tables, damaging them as the owner could: past the
        // server's refusal of writes that are not its functions'.
        t.exec("SET ondrel.writing = 'on'");
        t.exec(statement);
    }

    std::shared_ptr<Database> db;

private:
    void removeFiles() {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(location_ + suffix);
    }
    Engine engine_;
    std::string location_;
    std::string schema_;
};

// Makes role, unless the test server has it already, a login role that budgets in t's
// base: full rights on the screen, through the write functions.
inline void makeBudgeter(TempDatabase& t, const std::string& role) {
    t.sql("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '" + role + "') THEN CREATE ROLE " + role +
          " LOGIN; END IF; END $$");
    t.sql("DO $$ BEGIN EXECUTE format('GRANT USAGE ON SCHEMA %I TO " + role + "', current_schema()); END $$");
    t.db->setAccessLevel(role, "ONDREL", 2);
    if (!t.db->grantAccess(role, true))
        throw std::runtime_error("the test server has no role " + role);
}

// A base of its own on the test server, and a budgeter role named for the test and
// its process. The role is dropped once the base, whose grants hold it, is gone.
class BudgeterBase {
public:
    explicit BudgeterBase(const std::string& name) : role(name + "_" + std::to_string(::getpid())) {
        base.emplace(Engine::PostgreSQL);
        makeBudgeter(*base, role);
    }
    ~BudgeterBase() {
        base.reset();
        try {
            pqxx::connection c(testServer());
            pqxx::nontransaction(c).exec("DROP ROLE " + role);
        } catch (const std::exception& e) {   // a destructor may not throw
            ADD_FAILURE() << "the role " << role << " is left on the test server: " << e.what();
        }
    }
    BudgeterBase(const BudgeterBase&) = delete;
    BudgeterBase& operator=(const BudgeterBase&) = delete;

    const std::string role;
    std::optional<TempDatabase> base;
};

// The failure that work raised; 0 when it raised none.
inline std::uint32_t failureOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const DataError& e) {
        return e.number();
    }
    return 0;
}

// A test run on each engine; on PostgreSQL only where the test command started a server.
class OnEachEngine : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        if (GetParam() == Engine::PostgreSQL && !testServer())
            GTEST_SKIP() << "no test server (scripts/test starts one)";
    }
};

}  // namespace ondrel::test
