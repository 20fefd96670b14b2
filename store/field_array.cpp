#include "store/field_array.h"

#include "data/record.h"

namespace ondrel {

namespace {

void appendElement(std::string& out, std::string_view value) {
    out += '"';
    for (char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

// Reads the elements of an array one by one, quoted or bare as the server writes them.
class ArrayReader {
public:
    explicit ArrayReader(std::string_view text) : text_(text) {
        if (text_.size() >= 2 && text_.front() == '{' && text_.back() == '}')
            text_ = text_.substr(1, text_.size() - 2);
        else
            text_ = {};
        done_ = text_.empty();
    }

    // The next element into out, empty for NULL; false past the last.
    bool next(std::string& out) {
        if (done_)
            return false;
        out.clear();
        null_ = false;
        if (at_ < text_.size() && text_[at_] == '"') {
            for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
                if (text_[at_] == '\\' && at_ + 1 < text_.size())
                    ++at_;
                out += text_[at_];
            }
            ++at_;   // the closing quote
        } else {
            const std::size_t end = std::min(text_.find(',', at_), text_.size());
            const std::string_view bare = text_.substr(at_, end - at_);
            null_ = bare == "NULL";
            if (!null_)
                out.assign(bare);
            at_ = end;
        }
        if (at_ >= text_.size())
            done_ = true;
        else
            ++at_;   // the comma
        return true;
    }
    // Whether the element last read was NULL.
    bool null() const { return null_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    bool done_ = false;
    bool null_ = false;
};

}  // namespace

std::string textArray(const std::vector<std::string>& values) {
    std::string out = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        appendElement(out, values[i]);
    }
    return out + "}";
}

std::string fieldArray(const std::vector<std::vector<std::string>>& fields) {
    std::vector<std::optional<std::string>> wholes(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].empty())
            wholes[i] = joinValues(fields[i]);
    return wholesArray(wholes);
}

std::string wholesArray(const std::vector<std::optional<std::string>>& wholes) {
    std::string out = "{";
    for (std::size_t i = 0; i < wholes.size(); ++i) {
        if (i)
            out += ',';
        if (wholes[i])
            appendElement(out, *wholes[i]);
        else
            out += "NULL";
    }
    return out + "}";
}

std::vector<std::optional<std::string>> wholeFields(std::string_view array, std::size_t wanted) {
    std::vector<std::optional<std::string>> wholes(wanted);
    ArrayReader reader(array);
    std::string whole;
    for (std::size_t i = 0; i < wanted && reader.next(whole); ++i)
        if (!reader.null())
            wholes[i] = std::move(whole);
    return wholes;
}

std::vector<std::vector<std::string>> recordFields(std::string_view array) {
    std::vector<std::vector<std::string>> fields;
    ArrayReader reader(array);
    std::string whole;
    std::size_t used = 0;
    while (reader.next(whole)) {
        fields.push_back(splitValues(whole));
        if (!reader.null())
            used = fields.size();
    }
    fields.resize(used);
    return fields;
}

}  // namespace ondrel
