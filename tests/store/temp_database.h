#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "store/database.h"

namespace ondrel::test {

// A database file of its own for each test, removed afterwards.
class TempDatabase {
public:
    TempDatabase() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("ondrel-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".db");
        removeFiles();
        db = Database::create(path_.string());
    }
    ~TempDatabase() {
        db.reset();
        removeFiles();
    }
    std::string path() const { return path_.string(); }

    void put(const std::string& file, const std::string& key, std::vector<std::vector<std::string>> fields) {
        db->createFile(file);
        db->write(file, db->makeRecord(file, key, std::move(fields)));
    }

    std::shared_ptr<Database> db;

private:
    void removeFiles() {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path_.string() + suffix);
    }
    std::filesystem::path path_;
};

}  // namespace ondrel::test
