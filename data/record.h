// data: the data service's records, requests, select sentences and result tables,
// as the control and every room use them. Stands on nothing of ours.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ondrel {

// Joins the values of a multi-valued field when it is read or written whole.
// A control character never typed on the screen, so no value can hold it.
inline constexpr char kValueMark = '\x1E';

// The revision of a record that no reader has seen stored: a new key, written only
// while no record has it.
inline constexpr std::int64_t kNewRecord = 0;
// The revision of a record that the tools build whole: written over whatever is stored.
inline constexpr std::int64_t kAnyRevision = -1;

// A keyed record: field 0 is the key, fields from 1 hold one or more values.
// Changes stay in memory until DBWrite hands the record to its file.
class Record {
public:
    // Stores the record and gives the revision it now has.
    using Writer = std::function<std::int64_t(const Record&)>;

    Record() = default;
    Record(std::string key, std::vector<std::vector<std::string>> fields, std::int64_t revision = kAnyRevision,
           Writer writer = {});

    const std::string& key() const { return key_; }
    // The stored revision that this record was read at, or last written as. A write
    // over a record that another writer has changed meanwhile fails.
    std::int64_t revision() const { return revision_; }

    // Whole field f as text, its values joined by kValueMark; field 0 is the key.
    std::string field(int f) const;
    // Value v (from 1) of field f; an empty text past the last value.
    std::string value(int f, int v) const;
    // r(f) = x: the field becomes the values of x; "" empties all of them.
    void setField(int f, const std::string& text);
    // r(f, v) = x: values missing before v become empty.
    void setValue(int f, int v, const std::string& text);

    // Fields from 1, each the list of its values, as stored.
    const std::vector<std::vector<std::string>>& fields() const { return fields_; }

    // Stores the record under its key, created or replaced, unless another writer has
    // changed, deleted or created it since it was read (kRecordChanged).
    void DBWrite();

private:
    std::vector<std::string>& slot(int f);

    std::string key_;
    std::vector<std::vector<std::string>> fields_;
    std::int64_t revision_ = kAnyRevision;
    Writer writer_;
};

// Splits a whole-field text into its values; "" gives no value.
std::vector<std::string> splitValues(const std::string& text);
std::string joinValues(const std::vector<std::string>& values);

}  // namespace ondrel
