#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ondrel {

// The data service raises what callers test by number.
class DataError : public std::runtime_error {
public:
    DataError(std::uint32_t number, const std::string& text)
        : std::runtime_error(text), number_(number) {}
    std::uint32_t number() const noexcept { return number_; }

private:
    std::uint32_t number_;
};

// The only number callers test: no record has that key.
constexpr std::uint32_t kRecordNotFound = 0x8004000B;
// Everything else the service can report.
constexpr std::uint32_t kFileNotFound = 0x80040002;
constexpr std::uint32_t kBadSelect = 0x80040003;
constexpr std::uint32_t kStoreFailure = 0x80040004;
constexpr std::uint32_t kBadValue = 0x80040005;
constexpr std::uint32_t kNotOurDatabase = 0x80040006;
// Another writer changed, deleted or created the record since it was read: nothing
// was written.
constexpr std::uint32_t kRecordChanged = 0x80040007;
// The connection to the server was lost while a write was being committed: it may or
// may not have landed.
constexpr std::uint32_t kOutcomeUnknown = 0x80040008;
// The budget of that entity and year is validated: its lines and notes are not
// written until a validator opens a revision.
constexpr std::uint32_t kBudgetLocked = 0x80040009;

// Numbers of the runtime that the control and its hosts raise and show.
// A failure that carries no number of its own.
constexpr std::uint32_t kUnspecifiedFailure = 0x80004005;
// A zone operation that cannot be done: the focus given to a zone that cannot take it,
// an item index outside the list.
constexpr std::uint32_t kInvalidCall = 0x800A0005;
// A text that does not read as what it must be: a date, a fiscal year.
constexpr std::uint32_t kTypeMismatch = 0x800A000D;

}  // namespace ondrel
