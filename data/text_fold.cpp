#include "data/text_fold.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace ondrel {

std::string foldCase(const std::string& utf8) {
    std::string out;
    icu::UnicodeString::fromUTF8(utf8).foldCase().toUTF8String(out);
    return out;
}

std::string upperCase(const std::string& utf8) {
    std::string out;
    icu::UnicodeString::fromUTF8(utf8).toUpper(icu::Locale::getFrench()).toUTF8String(out);
    return out;
}

}  // namespace ondrel
