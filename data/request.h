#pragma once

#include <array>
#include <string>

namespace ondrel {

// The three values of a select: the sentence, the file name, the field list.
// Its text is what RunSelect is given.
class Request {
public:
    // q(i) = text, i from 1 to 3.
    void set(int i, std::string text);
    const std::string& get(int i) const;

    std::string text() const;
    // The three values back from a request text.
    static Request parse(const std::string& text);

private:
    std::array<std::string, 3> values_;
};

}  // namespace ondrel
