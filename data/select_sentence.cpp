#include "data/select_sentence.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "data/data_error.h"

namespace ondrel {

namespace {

class Scanner {
public:
    Scanner(const std::string& text, const char* subject) : text_(text), subject_(subject) {}

    bool atEnd() {
        skipBlanks();
        return pos_ >= text_.size();
    }

    // The next blank-separated word, without consuming it.
    std::string peekWord() {
        skipBlanks();
        auto end = pos_;
        while (end < text_.size() && text_[end] != ' ')
            ++end;
        return text_.substr(pos_, end - pos_);
    }

    std::string word(const char* what) {
        std::string w = peekWord();
        if (w.empty())
            fail(std::string("expected ") + what + ", found the end of the sentence");
        pos_ += w.size();
        return w;
    }

    void keyword(const char* expected) {
        auto at = position();
        std::string w = word(expected);
        if (w != expected)
            fail(std::string("expected ") + expected + ", found \"" + w + "\"", at);
    }

    int field(const char* what) {
        auto at = position();
        std::string w = word(what);
        int number = -1;
        auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), number);
        if (ec != std::errc() || end != w.data() + w.size() || number < 0)
            fail(std::string("expected ") + what + " (a field number), found \"" + w + "\"", at);
        return number;
    }

    std::string quoted() {
        skipBlanks();
        auto at = position();
        if (pos_ >= text_.size())
            fail("expected a quoted value, found the end of the sentence");
        char quote = text_[pos_];
        if (quote != '"' && quote != '\'' && quote != '\\')
            fail("expected a value between \"...\", '...' or \\...\\", at);
        auto close = text_.find(quote, pos_ + 1);
        if (close == std::string::npos)
            fail(std::string("the value opened by ") + quote + " is never closed", at);
        std::string value = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        if (pos_ < text_.size() && text_[pos_] != ' ')
            fail("a blank must follow the closing quote", position());
        return value;
    }

    std::size_t position() {
        skipBlanks();
        return pos_ + 1;
    }

    [[noreturn]] void fail(const std::string& what) { fail(what, position()); }
    [[noreturn]] void fail(const std::string& what, std::size_t at) {
        throw DataError(kBadSelect, std::string(subject_) + ", character " + std::to_string(at) + ": " + what);
    }

private:
    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }

    const std::string& text_;
    const char* subject_;
    std::size_t pos_ = 0;
};

bool isFieldNumber(const std::string& w) {
    return !w.empty() && std::all_of(w.begin(), w.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

SelectSentence parseSelect(const std::string& sentence) {
    Scanner in(sentence, "select sentence");
    SelectSentence s;
    in.keyword("SSELECT");
    s.file = in.word("a file name");
    if (in.peekWord() == "AVEC") {
        in.keyword("AVEC");
        SelectSentence::Condition c;
        c.field = in.field("the field of the condition");
        in.keyword("=");
        c.value = in.quoted();
        if (!c.value.empty() && c.value.back() == ']') {
            c.value.pop_back();
            c.prefix = true;
        }
        s.condition = c;
    }
    while (!in.atEnd() && in.peekWord() != "PAR") {
        if (!isFieldNumber(in.peekWord()))
            in.fail("expected a field number or PAR, found \"" + in.peekWord() + "\"");
        s.fields.push_back(in.field("a field to return"));
    }
    if (s.fields.empty())
        in.fail("expected the fields to return");
    in.keyword("PAR");
    s.sortField = in.field("the sort field");
    if (!in.atEnd())
        in.fail("unexpected \"" + in.peekWord() + "\" after the sort field");
    return s;
}

std::optional<std::string> quoteValue(const std::string& value) {
    for (char quote : {'"', '\'', '\\'})
        if (value.find(quote) == std::string::npos)
            return quote + value + quote;
    return std::nullopt;
}

std::vector<int> parseFieldList(const std::string& list) {
    std::vector<int> fields;
    Scanner in(list, "field list");
    while (!in.atEnd())
        fields.push_back(in.field("a field number"));
    if (fields.empty())
        throw DataError(kBadSelect, "the field list is empty");
    return fields;
}

}  // namespace ondrel
