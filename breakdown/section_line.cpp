#include "breakdown/section_line.h"

#include "budget/currency.h"
#include "screen/utf8_text.h"

namespace ondrel {

std::string sectionLine(const std::optional<std::string>& label, const std::string& shareN,
                        const std::string& shareN1) {
    std::string line = padRight(label ? leftChars(*label, 30) : "Erreur", 32);
    line += padLeft(formatAmount(fromStoredHundredths(shareN)), 25);
    if (!shareN1.empty())
        line += padLeft(formatAmount(fromStoredHundredths(shareN1)), 11);
    return line;
}

}  // namespace ondrel
