#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "data/data_error.h"
#include "store/database.h"

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

    // Reads the record of a key as one statement, as ReadRecord does, and hands it to
    // keep; an absent key is told as ReadRecord's failure without raising it, for the
    // many keys of an import that are not on file yet.
    template <class Keep>
    Found readRecord(File& file, const std::string& key, Keep&& keep) {
        return read([&] {
            if (auto record = file.FindRecord(key)) {
                keep(std::move(*record));
                return;
            }
            pending_ = kRecordNotFound;
            failure_ = file.absentKey(key);
        });
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
