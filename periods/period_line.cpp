#include "periods/period_line.h"

#include "screen/utf8_text.h"

namespace ondrel {

std::string periodLine(const std::string& label, const std::string& amountText) {
    return padRight(label, 50) + padLeft(amountText, 15);
}

std::string periodLineAmount(const std::string& line) {
    return charsFrom(line, 54);
}

}  // namespace ondrel
