#include "store/sqlite_checkpoints.h"

#include <sqlite3.h>

namespace ondrel {

SqliteCheckpoints::SqliteCheckpoints(sqlite3* watched, std::string path)
    : watched_(watched), path_(std::move(path)), thread_([this](std::stop_token stop) { run(stop); }) {
    // Takes the place of SQLite's own checkpoint at commit.
    sqlite3_wal_hook(watched_, &SqliteCheckpoints::onCommit, this);
}

SqliteCheckpoints::~SqliteCheckpoints() {
    sqlite3_wal_hook(watched_, nullptr, nullptr);
    thread_.request_stop();
    thread_.join();
}

int SqliteCheckpoints::onCommit(void* self, sqlite3* watched, const char* schema, int pages) {
    if (pages >= kMostPages) {
        sqlite3_wal_checkpoint_v2(watched, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    } else if (pages >= kPages) {
        auto* checkpoints = static_cast<SqliteCheckpoints*>(self);
        {
            std::lock_guard lock(checkpoints->mutex_);
            checkpoints->due_ = true;
        }
        checkpoints->wake_.notify_one();
    }
    return SQLITE_OK;
}

// A checkpoint that cannot copy everything, a reader still needing old pages, or
// that fails, leaves the log as it is: nothing is lost, the log is only longer.
void SqliteCheckpoints::run(std::stop_token stop) {
    sqlite3* own = nullptr;
    while (true) {
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [&] { return due_; }))
                break;
            due_ = false;
        }
        // A new connection learns that the file keeps a log on its first read.
        if (!own && (sqlite3_open_v2(path_.c_str(), &own, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK ||
                     sqlite3_exec(own, "PRAGMA schema_version", nullptr, nullptr, nullptr) != SQLITE_OK)) {
            sqlite3_close(own);
            own = nullptr;
            continue;
        }
        sqlite3_wal_checkpoint_v2(own, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
    sqlite3_close(own);
}

}  // namespace ondrel
