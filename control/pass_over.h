#pragma once

#include <cstdint>
#include <exception>

#include "data/data_error.h"

namespace ondrel {

// The statements of a handler that passes over each failing statement and goes on
// with the next one. The number of the last failure stays pending, so that a
// record read can be told apart as absent right after it.
class PassOver {
public:
    template <class Statement>
    void operator()(Statement&& statement) {
        try {
            statement();
        } catch (const DataError& e) {
            pending_ = e.number();
        } catch (const std::exception&) {
            pending_ = kOtherFailure;
        }
    }

    void clear() { pending_ = 0; }
    // The pending failure is "no record has that key".
    bool absentKey() const { return pending_ == kRecordNotFound; }

private:
    static constexpr std::uint32_t kOtherFailure = 0x80004005;
    std::uint32_t pending_ = 0;
};

}  // namespace ondrel
