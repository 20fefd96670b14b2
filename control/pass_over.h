#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "data/data_error.h"

namespace ondrel {

// What a record read told: the record, no record of that key, or nothing at all
// because the read itself failed (a server that does not answer, a damaged file).
enum class Found { Yes, No, Unknown };

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
            failure_ = e.what();
        } catch (const std::exception& e) {
            pending_ = kUnspecifiedFailure;
            failure_ = e.what();
        }
    }

    // Runs a record read, or a select, as one statement. Only an absent key means that
    // there is no such record; any other failure leaves it unknown, and failure() says
    // why.
    template <class Read>
    Found read(Read&& read) {
        pending_ = 0;
        (*this)(std::forward<Read>(read));
        return pending_ == 0 ? Found::Yes : pending_ == kRecordNotFound ? Found::No : Found::Unknown;
    }

    // The text of the last failure.
    const std::string& failure() const { return failure_; }

    // Asks a question as one statement: a box that cannot be shown answers No.
    template <class Question>
    bool yes(Question&& question) {
        bool answer = false;
        (*this)([&] { answer = question(); });
        return answer;
    }

private:
    std::uint32_t pending_ = 0;
    std::string failure_;
};

}  // namespace ondrel
