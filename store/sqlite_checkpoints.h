#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

struct sqlite3;

namespace ondrel {

// Brings a file's write-ahead log back into the file on a thread of its own, through a
// connection of its own, so that no commit waits for it: SQLite would otherwise copy
// the log in the commit that fills it, a tenth of a second for the lines of a year.
// A commit of the watched connection that leaves the log longer than kPages wakes it;
// it copies what no reader still needs, and the next commit wakes it for the rest.
// Writes that follow each other without a pause could keep the log from ever starting
// over, and every read would look through it: past kMostPages the commit copies the
// log itself, as SQLite would. The watched connection's close copies whatever is left.
class SqliteCheckpoints {
public:
    static constexpr int kPages = 1000;   // SQLite's own threshold
    static constexpr int kMostPages = 8 * kPages;

    SqliteCheckpoints(sqlite3* watched, std::string path);
    ~SqliteCheckpoints();   // lets a copy under way end
    SqliteCheckpoints(const SqliteCheckpoints&) = delete;
    SqliteCheckpoints& operator=(const SqliteCheckpoints&) = delete;

private:
    static int onCommit(void* self, sqlite3* watched, const char* schema, int pages);
    void run(std::stop_token stop);

    sqlite3* watched_;
    std::string path_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    bool due_ = false;
    std::jthread thread_;   // last: it starts once the rest is ready
};

}  // namespace ondrel
