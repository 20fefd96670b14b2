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

}  // namespace ondrel
