#include "tools/csv_cells.h"

namespace ondrel {

std::string csvCell(const std::string& text) {
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

std::vector<std::string> csvCells(const std::string& line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

std::string asSpreadsheetText(const std::string& text) {
    if (!text.empty() && std::string("=+-@\t\r'").find(text[0]) != std::string::npos)
        return "'" + text;
    return text;
}

std::string keptAsText(const std::string& text) {
    std::string formula = "=\"";
    formula += text;
    formula += '"';
    return formula;
}

std::string fromSpreadsheetText(const std::string& cell) {
    if (cell.size() >= 3 && cell.rfind("=\"", 0) == 0 && cell.back() == '"')
        return cell.substr(2, cell.size() - 3);
    return !cell.empty() && cell[0] == '\'' ? cell.substr(1) : cell;
}

}  // namespace ondrel
