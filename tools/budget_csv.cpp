#include <ostream>

#include "tools/budget_sheet.h"

namespace ondrel {

namespace {

// Quotes around a field that holds the separator, a quote or a line break; quotes doubled.
std::string csvField(const std::string& text) {
    if (text.find_first_of(";\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void writeRow(std::ostream& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        out << (i ? ";" : "") << csvField(fields[i]);
    out << "\r\n";
}

}  // namespace

void writeBudgetCsv(const BudgetSheet& sheet, std::ostream& out) {
    out << "\xEF\xBB\xBF";
    writeRow(out, budgetSheetHeader(sheet));
    for (const auto& line : sheet.lines) {
        std::vector<std::string> row{sheet.entity, sheet.year, line.account, line.label, line.key,
                                     formatAmount(line.total)};
        for (const auto& amount : line.periods)
            row.push_back(amount ? formatAmount(*amount) : std::string());
        writeRow(out, row);
    }
}

}  // namespace ondrel
