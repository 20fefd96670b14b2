#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Transaction.h>

#include "data/data_error.h"
#include "tests/store/temp_database.h"

namespace ondrel {

using test::TempDatabase;

namespace {

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file of the test's own, removed afterwards.
struct Scratch {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("ondrel-scratch-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

struct ForeignCase {
    const char* name;
    void (*make)(const std::filesystem::path&);
    std::uint32_t number;
    const char* said;
};

inline void PrintTo(const ForeignCase& c, std::ostream* out) {
    *out << c.name;
}

class ForeignFile : public ::testing::TestWithParam<ForeignCase> {};

// What is not ours is refused in French and left byte for byte as it was.
TEST_P(ForeignFile, IsRefusedAndLeftUntouched) {
    Scratch s;
    GetParam().make(s.path);
    const std::string before = std::filesystem::is_directory(s.path) ? "" : bytesOf(s.path);
    try {
        Database::open(s.path.string());
        FAIL() << "opened " << GetParam().name;
    } catch (const DataError& e) {
        EXPECT_EQ(e.number(), GetParam().number);
        EXPECT_NE(std::string(e.what()).find(GetParam().said), std::string::npos) << e.what();
    }
    if (!std::filesystem::is_directory(s.path)) {
        EXPECT_EQ(bytesOf(s.path), before);
    }
    EXPECT_FALSE(std::filesystem::exists(s.path.string() + "-wal"));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ForeignFile,
    ::testing::Values(
        ForeignCase{"another program's database",
                    [](const std::filesystem::path& p) {
                        SQLite::Database other(p.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
                        other.exec("CREATE TABLE contacts(name TEXT)");
                    },
                    kNotOurDatabase, "n'est pas une base de données Ondrel"},
        ForeignCase{"an empty file", [](const std::filesystem::path& p) { std::ofstream{p}; }, kNotOurDatabase,
                    "n'est pas une base de données Ondrel"},
        ForeignCase{"a text file", [](const std::filesystem::path& p) { std::ofstream{p} << "Budget 2027\n"; },
                    kNotOurDatabase, "n'est pas une base de données Ondrel"},
        ForeignCase{"a folder", [](const std::filesystem::path& p) { std::filesystem::create_directory(p); },
                    kNotOurDatabase, "est un dossier"},
        ForeignCase{"a missing file", [](const std::filesystem::path&) {}, kFileNotFound, "introuvable"}));

TEST(Opening, ADatabaseIsNeverCreatedOverAFile) {
    Scratch s;
    std::ofstream{s.path} << "notes";
    EXPECT_THROW(Database::create(s.path.string()), DataError);
    EXPECT_EQ(bytesOf(s.path), "notes");
}

TEST(Opening, ForConsultationReadsAndRefusesToWriteInFrench) {
    TempDatabase t(test::Engine::SQLite);
    t.put("BUDGET", "N0", {{"Loyer"}});
    t.db.reset();
    const std::string before = bytesOf(t.path());
    auto db = Database::open(t.path(), Database::Access::ReadOnly);
    EXPECT_TRUE(db->readOnly());
    EXPECT_EQ(db->OpenFile("BUDGET").ReadRecord("N0").value(1, 1), "Loyer");
    try {
        db->write("BUDGET", db->makeRecord("BUDGET", "N1", {{"Autre"}}));
        FAIL() << "a read-only database was written";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("consultation seule"), std::string::npos) << e.what();
    }
    EXPECT_EQ(bytesOf(t.path()), before);
}

// A reader opens and reads at once while another connection is in the middle of a write.
TEST(Opening, AReaderNeverWaitsForAWriter) {
    TempDatabase t(test::Engine::SQLite);
    t.put("BUDGET", "N0", {{"Loyer"}});
    SQLite::Database writer(t.path(), SQLite::OPEN_READWRITE);
    SQLite::Transaction writing(writer, SQLite::TransactionBehavior::IMMEDIATE);
    writer.exec("DELETE FROM record");
    const auto start = std::chrono::steady_clock::now();
    auto reader = Database::open(t.path());
    EXPECT_EQ(reader->OpenFile("BUDGET").ReadRecord("N0").value(1, 1), "Loyer");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace ondrel

namespace ondrel {

namespace {

// A database as the first version of the tools made it: no revisions, no history.
void makeFirstVersion(const std::string& path) {
    SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(R"sql(
        CREATE TABLE file(name TEXT PRIMARY KEY) WITHOUT ROWID;
        CREATE TABLE record(file TEXT NOT NULL, key TEXT NOT NULL, key_fold TEXT NOT NULL,
                            PRIMARY KEY(file, key)) WITHOUT ROWID;
        CREATE INDEX record_by_fold ON record(file, key_fold);
        CREATE TABLE field(file TEXT NOT NULL, key TEXT NOT NULL, num INTEGER NOT NULL, whole TEXT NOT NULL,
                           fold TEXT NOT NULL, PRIMARY KEY(file, key, num)) WITHOUT ROWID;
        CREATE INDEX field_by_fold ON field(file, num, fold);
        CREATE TABLE rights(user TEXT NOT NULL, screen TEXT NOT NULL, level INTEGER NOT NULL,
                            PRIMARY KEY(user, screen)) WITHOUT ROWID;
        INSERT INTO file VALUES('BUDGET');
        INSERT INTO record VALUES('BUDGET', 'N0', 'n0');
        INSERT INTO field VALUES('BUDGET', 'N0', 1, 'Loyer', 'loyer');
        INSERT INTO rights VALUES('marie', 'ONDREL', 2);
        PRAGMA application_id = 1330529362;
        PRAGMA user_version = 1;
    )sql");
}

}  // namespace

// Its records, rights and lists stay as they were; the first writer brings the tables
// up to date, and a reader alone is told how.
TEST(Opening, AFileOfTheFirstVersionGainsRevisionsWhenFirstOpenedForWriting) {
    Scratch s;
    makeFirstVersion(s.path.string());
    try {
        Database::open(s.path.string(), Database::Access::ReadOnly);
        FAIL() << "a reader changed a file of the first version";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("ouvrez-la une fois en écriture"), std::string::npos) << e.what();
    }
    auto db = Database::open(s.path.string());
    EXPECT_EQ(db->accessLevel("marie", "ONDREL"), 2);
    Record r = db->OpenFile("BUDGET").ReadRecord("N0");
    EXPECT_EQ(r.value(1, 1), "Loyer");
    r.setValue(1, 1, "Loyer du siège");
    r.DBWrite();
    EXPECT_EQ(r.revision(), 2);
    EXPECT_EQ(db->history("BUDGET", "N0").size(), 1u);
    db.reset();
    EXPECT_EQ(Database::open(s.path.string(), Database::Access::ReadOnly)->OpenFile("BUDGET").ReadRecord("N0").value(1, 1),
              "Loyer du siège");
}

}  // namespace ondrel
