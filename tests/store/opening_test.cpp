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
    writer.exec("DELETE FROM field");
    const auto start = std::chrono::steady_clock::now();
    auto reader = Database::open(t.path());
    EXPECT_EQ(reader->OpenFile("BUDGET").ReadRecord("N0").value(1, 1), "Loyer");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace ondrel
