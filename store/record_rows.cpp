#include "store/record_rows.h"

#include <chrono>
#include <ctime>

#include "data/record.h"
#include "data/text_fold.h"
#include "store/connection.h"

namespace ondrel {

std::string revisionTime() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[20];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

std::string labelFold(const std::vector<std::vector<std::string>>& fields) {
    return fields.empty() ? std::string() : foldCase(joinValues(fields.front()));
}

void RecordRows::addRecord(const std::string& file, const std::string& key, std::int64_t revision,
                           const std::string& fields, const std::string& labelFold) {
    records_.push_back({file, key, foldCase(key), std::to_string(revision), fields, labelFold});
}

void RecordRows::addRevision(const std::string& file, const std::string& key, std::int64_t revision,
                             const std::string& author, const std::string& at, const std::string& fields) {
    revisions_.push_back({file, key, std::to_string(revision), author, at, "0", fields});
}

void RecordRows::appendTo(Connection& connection) {
    const auto send = [&](const char* table, std::vector<std::string> columns, std::vector<std::vector<std::string>>& rows) {
        if (!rows.empty())
            connection.append(table, columns, rows);
        rows.clear();
    };
    send("record", {"file", "key", "key_fold", "revision", "fields", "label_fold"}, records_);
    send("history", {"file", "key", "revision", "author", "at", "deleted", "fields"}, revisions_);
}

}  // namespace ondrel
