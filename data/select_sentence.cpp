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
            fail(std::string("il manque ") + what + " à la fin de la phrase");
        pos_ += w.size();
        return w;
    }

    void keyword(const char* expected) {
        auto at = position();
        std::string w = word(expected);
        if (w != expected)
            fail(std::string("« ") + expected + " » est attendu, pas « " + w + " »", at);
    }

    int field(const char* what) {
        auto at = position();
        std::string w = word(what);
        int number = -1;
        auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), number);
        if (ec != std::errc() || end != w.data() + w.size() || number < 0)
            fail(std::string("« ") + w + " » n'est pas un numéro de champ (" + what + ")", at);
        return number;
    }

    std::string quoted() {
        skipBlanks();
        auto at = position();
        if (pos_ >= text_.size())
            fail("il manque une valeur entre guillemets à la fin de la phrase");
        char quote = text_[pos_];
        if (quote != '"' && quote != '\'' && quote != '\\')
            fail("une valeur s'écrit entre \"...\", '...' ou \\...\\", at);
        auto close = text_.find(quote, pos_ + 1);
        if (close == std::string::npos)
            fail(std::string("la valeur ouverte par ") + quote + " n'est jamais fermée", at);
        std::string value = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        if (pos_ < text_.size() && text_[pos_] != ' ')
            fail("un blanc doit suivre le guillemet fermant", position());
        return value;
    }

    std::size_t position() {
        skipBlanks();
        return pos_ + 1;
    }

    [[noreturn]] void fail(const std::string& what) { fail(what, position()); }
    [[noreturn]] void fail(const std::string& what, std::size_t at) {
        throw DataError(kBadSelect, std::string(subject_) + ", caractère " + std::to_string(at) + " : " + what + ".");
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
    Scanner in(sentence, "Phrase de sélection");
    SelectSentence s;
    in.keyword("SSELECT");
    s.file = in.word("un nom de fichier");
    if (in.peekWord() == "AVEC") {
        in.keyword("AVEC");
        SelectSentence::Condition c;
        c.field = in.field("le champ de la condition");
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
            in.fail("« " + in.peekWord() + " » n'est ni un numéro de champ ni PAR");
        s.fields.push_back(in.field("un champ à rendre"));
    }
    if (s.fields.empty())
        in.fail("il manque les champs à rendre");
    in.keyword("PAR");
    s.sortField = in.field("le champ du tri");
    if (!in.atEnd())
        in.fail("« " + in.peekWord() + " » est de trop après le champ du tri");
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
    Scanner in(list, "Liste des champs");
    while (!in.atEnd())
        fields.push_back(in.field("un numéro de champ"));
    if (fields.empty())
        throw DataError(kBadSelect, "La liste des champs est vide.");
    return fields;
}

}  // namespace ondrel
