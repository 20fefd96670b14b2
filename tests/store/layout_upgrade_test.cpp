#include <gtest/gtest.h>

#include "data/request.h"
#include "tests/store/temp_database.h"

namespace ondrel {

namespace {

using test::Engine;
using test::TempDatabase;

// The tables as the second version made them: a row a field of each record and of
// each revision. Both engines take this text.
constexpr const char* kSecondVersion = R"sql(
CREATE TABLE file(name text PRIMARY KEY);
CREATE TABLE record(file text NOT NULL, key text NOT NULL, key_fold text NOT NULL, revision bigint NOT NULL DEFAULT 1,
                    PRIMARY KEY(file, key));
CREATE INDEX record_by_fold ON record(file, key_fold);
CREATE TABLE field(file text NOT NULL, key text NOT NULL, num integer NOT NULL, whole text NOT NULL, fold text NOT NULL,
                   PRIMARY KEY(file, key, num));
CREATE INDEX field_by_fold ON field(file, num, fold);
CREATE TABLE rights("user" text NOT NULL, screen text NOT NULL, level integer NOT NULL, PRIMARY KEY("user", screen));
CREATE TABLE history(file text NOT NULL, key text NOT NULL, revision bigint NOT NULL, author text NOT NULL,
                     at text NOT NULL, deleted integer NOT NULL, PRIMARY KEY(file, key, revision));
CREATE TABLE history_field(file text NOT NULL, key text NOT NULL, revision bigint NOT NULL, num integer NOT NULL,
                           whole text NOT NULL, PRIMARY KEY(file, key, revision, num));
INSERT INTO file VALUES('BUDGET'), ('PLANCOMPTABLE');
INSERT INTO rights VALUES('marie', 'ONDREL', 2);
-- A line written, deleted and made again: three revisions.
INSERT INTO record VALUES('BUDGET', 'N00016064000000', 'n00016064000000', 3);
INSERT INTO field VALUES('BUDGET', 'N00016064000000', 1, 'Fournitures', 'fournitures'),
                        ('BUDGET', 'N00016064000000', 2, '0' || char(30) || '1', '0' || char(30) || '1'),
                        ('BUDGET', 'N00016064000000', 3, '100' || char(30) || '200', '100' || char(30) || '200'),
                        ('BUDGET', 'N00016064000000', 4, '001', '001');
INSERT INTO history VALUES('BUDGET', 'N00016064000000', 1, 'marie', '2026-01-05 09:00:00', 0),
                          ('BUDGET', 'N00016064000000', 2, 'marie', '2026-01-06 09:00:00', 1),
                          ('BUDGET', 'N00016064000000', 3, 'paul', '2026-01-07 09:00:00', 0);
INSERT INTO history_field VALUES('BUDGET', 'N00016064000000', 1, 1, 'Fourn'),
                                ('BUDGET', 'N00016064000000', 3, 1, 'Fournitures'),
                                ('BUDGET', 'N00016064000000', 3, 4, '001');
-- A field left out between two others, a quote, a backslash and a brace in a label,
-- and a record with no field.
INSERT INTO record VALUES('PLANCOMPTABLE', '0016064000000', '0016064000000', 1),
                         ('PLANCOMPTABLE', '0016000000000', '0016000000000', 1);
INSERT INTO field VALUES('PLANCOMPTABLE', '0016064000000', 1, 'Achats "divers" \ {x}, y', 'achats "divers" \ {x}, y'),
                        ('PLANCOMPTABLE', '0016064000000', 3, 'NULL', 'null');
)sql";

// A database of the second version in t's place, as the previous program left it.
void makeSecondVersion(TempDatabase& t) {
    t.db.reset();
    if (t.engine() == Engine::SQLite) {
        std::filesystem::remove(t.path());
        SQLite::Database db(t.path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("PRAGMA journal_mode=WAL");
        db.exec(kSecondVersion);
        db.exec("PRAGMA application_id = 1330529362; PRAGMA user_version = 2;");
        return;
    }
    t.sql("DROP TABLE file, record, history, rights, ondrel_mark, ondrel_new_version CASCADE");
    std::string tables = kSecondVersion;
    for (std::size_t at = tables.find("char(30)"); at != std::string::npos; at = tables.find("char(30)"))
        tables.replace(at, 8, "chr(30)");
    t.sql(tables + "CREATE TABLE ondrel_mark(application text NOT NULL, version integer NOT NULL);"
                   "INSERT INTO ondrel_mark VALUES('ONDR', 2);");
}

ResultTable select(Database& db, const std::string& sentence, const std::string& fields) {
    Request q;
    q.set(1, sentence);
    q.set(2, "BUDGET");
    q.set(3, fields);
    return db.RunSelect(q.text());
}

class LayoutUpgrade : public test::OnEachEngine {};

}  // namespace

// Opened for consultation, it is refused untouched; the first opening for writing brings
// it up to date, and every record, field and revision reads as it did.
TEST_P(LayoutUpgrade, ASecondVersionDatabaseKeepsEveryRecordAndRevision) {
    TempDatabase t(GetParam());
    makeSecondVersion(t);
    try {
        Database::open(t.path(), Database::Access::ReadOnly);
        FAIL() << "a reader opened tables of the second version";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("version précédente"), std::string::npos) << e.what();
    }

    auto db = Database::open(t.path());
    ASSERT_FALSE(db->readOnly());
    EXPECT_EQ(db->accessLevel("marie", "ONDREL"), 2);
    Record line = db->OpenFile("BUDGET").ReadRecord("N00016064000000");
    EXPECT_EQ(line.revision(), 3);
    EXPECT_EQ(line.fields(), (std::vector<std::vector<std::string>>{{"Fournitures"}, {"0", "1"}, {"100", "200"}, {"001"}}));
    Record account = db->OpenFile("PLANCOMPTABLE").ReadRecord("0016064000000");
    EXPECT_EQ(account.fields(), (std::vector<std::vector<std::string>>{{"Achats \"divers\" \\ {x}, y"}, {}, {"NULL"}}));
    EXPECT_TRUE(db->OpenFile("PLANCOMPTABLE").ReadRecord("0016000000000").fields().empty());

    const auto history = db->history("BUDGET", "N00016064000000");
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].fields, (std::vector<std::vector<std::string>>{{"Fourn"}}));
    EXPECT_TRUE(history[1].deleted);
    EXPECT_EQ(history[2].author, "paul");
    EXPECT_EQ(history[2].fields, (std::vector<std::vector<std::string>>{{"Fournitures"}, {}, {}, {"001"}}));

    const ResultTable found = select(*db, "SSELECT BUDGET AVEC 1 = \"FOURN]\" 0 1 PAR 1", "0 1");
    EXPECT_EQ(found.rows(),
              (std::vector<std::vector<std::string>>{{"N00016064000000", "Fournitures"}}));
    line.setValue(1, 1, "Fournitures de bureau");
    line.DBWrite();
    EXPECT_EQ(line.revision(), 4);
    db.reset();

    auto reader = Database::open(t.path(), Database::Access::ReadOnly);
    EXPECT_EQ(reader->OpenFile("BUDGET").ReadRecord("N00016064000000").value(1, 1), "Fournitures de bureau");
    EXPECT_EQ(reader->history("BUDGET", "N00016064000000").size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Engines, LayoutUpgrade, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), test::engineName);

}  // namespace ondrel
