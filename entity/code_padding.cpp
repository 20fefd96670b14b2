#include "entity/code_padding.h"

#include "screen/utf8_text.h"

namespace ondrel {

std::string padCode(const std::string& code) {
    return padLeft(code, kCodeLength, '0');
}

bool isWholeCode(const std::string& code) {
    return charCount(code) == kCodeLength;
}

}  // namespace ondrel
