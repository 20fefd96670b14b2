#include "store/record_rows.h"

#include <chrono>
#include <ctime>

#include "data/record.h"
#include "data/text_fold.h"
#include "store/connection.h"

namespace ondrel {

void putField(std::vector<std::vector<std::string>>& fields, std::int64_t num, std::string_view whole) {
    if (num < 1)
        return;
    if (static_cast<std::size_t>(num) > fields.size())
        fields.resize(static_cast<std::size_t>(num));
    fields[static_cast<std::size_t>(num) - 1] = splitValues(std::string(whole));
}

std::string revisionTime() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[20];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

void RecordRows::addRecord(const std::string& file, const std::string& key, std::int64_t revision) {
    records_.push_back({file, key, foldCase(key), std::to_string(revision)});
}

void RecordRows::addFields(const std::string& file, const std::string& key,
                           const std::vector<std::vector<std::string>>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].empty()) {
            std::string whole = joinValues(fields[i]);
            std::string fold = foldCase(whole);
            fields_.push_back({file, key, std::to_string(i + 1), std::move(whole), std::move(fold)});
        }
}

void RecordRows::addRevision(const std::string& file, const std::string& key, std::int64_t revision,
                             const std::string& author, const std::string& at,
                             const std::vector<std::vector<std::string>>& fields) {
    const std::string number = std::to_string(revision);
    revisions_.push_back({file, key, number, author, at, "0"});
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].empty())
            revisionFields_.push_back({file, key, number, std::to_string(i + 1), joinValues(fields[i])});
}

void RecordRows::appendTo(Connection& connection) {
    const auto send = [&](const char* table, std::vector<std::string> columns, std::vector<std::vector<std::string>>& rows) {
        if (!rows.empty())
            connection.append(table, columns, rows);
        rows.clear();
    };
    send("record", {"file", "key", "key_fold", "revision"}, records_);
    send("field", {"file", "key", "num", "whole", "fold"}, fields_);
    send("history", {"file", "key", "revision", "author", "at", "deleted"}, revisions_);
    send("history_field", {"file", "key", "revision", "num", "whole"}, revisionFields_);
}

}  // namespace ondrel
