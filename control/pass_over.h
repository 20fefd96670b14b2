#pragma once

#include <cstdint>
#include <exception>
#include <utility>

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
            pending_ = kUnspecifiedFailure;
        }
    }

    // Runs a record read as one statement: true when it failed because no record has
    // that key, the only failure a caller tells apart.
    template <class Read>
    bool absent(Read&& read) {
        pending_ = 0;
        (*this)(std::forward<Read>(read));
        return pending_ == kRecordNotFound;
    }

    // Asks a question as one statement: a box that cannot be shown answers No.
    template <class Question>
    bool yes(Question&& question) {
        bool answer = false;
        (*this)([&] { answer = question(); });
        return answer;
    }

private:
    std::uint32_t pending_ = 0;
};

}  // namespace ondrel
