#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/store/temp_database.h"

namespace ondrel {

// The log of a large write is copied into the file itself while the program goes on
// with the file open: the commit does not copy it, and nothing else would until the
// file is closed.
TEST(SqliteCheckpoints, ALargeWriteReachesTheFileWhileItStaysOpen) {
    test::TempDatabase t(test::Engine::SQLite);
    t.db->createFile("BUDGET");
    const auto before = std::filesystem::file_size(t.path());
    t.db->inOneBatch([&] {
        for (int i = 0; i < 20000; ++i) {
            std::string key = "N0001";
            key += std::to_string(6000000000 + i);
            t.db->write("BUDGET", t.db->newRecord("BUDGET", key, {{"Ligne de budget"}, {"0", "1", "2"}, {"100", "200", "300"}}));
        }
    });
    const auto copied = [&] { return std::filesystem::file_size(t.path()) > before + 2 * 1024 * 1024; };
    for (int wait = 0; wait < 100 && !copied(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(copied()) << std::filesystem::file_size(t.path()) << " bytes in the file";
    EXPECT_EQ(t.db->keys("BUDGET").size(), 20000u);
}

}  // namespace ondrel
