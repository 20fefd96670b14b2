#include "sheets/csv_cells.h"

#include <istream>
#include <ostream>
#include <stdexcept>

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

void writeCsvRecord(std::ostream& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i)
        out << (i ? ";" : "") << csvCell(cells[i]);
    out << "\r\n";
}

CsvReader::CsvReader(std::istream& in) : in_(in) {
    if (in_.peek() == 0xEF) {
        char bom[3] = {};
        in_.read(bom, 3);
        if (std::string(bom, 3) != "\xEF\xBB\xBF") {
            in_.clear();
            in_.seekg(0);
        }
    }
}

bool CsvReader::next(std::vector<std::string>& cells, int& line) {
    std::streambuf& buffer = *in_.rdbuf();
    if (buffer.sgetc() == std::char_traits<char>::eof())
        return false;
    cells.assign(1, std::string());
    line = line_;
    bool quoted = false;
    for (int c = buffer.sbumpc(); c != std::char_traits<char>::eof(); c = buffer.sbumpc()) {
        const bool lineEnd = c == '\n' || c == '\r';
        if (lineEnd) {
            if (c == '\r' && buffer.sgetc() == '\n') {
                buffer.sbumpc();
                if (quoted)
                    cells.back() += '\r';
                c = '\n';
            }
            ++line_;
            if (!quoted)
                return true;
            cells.back() += static_cast<char>(c);
        } else if (quoted && c == '"' && buffer.sgetc() == '"') {
            cells.back() += '"';
            buffer.sbumpc();
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            if (cells.size() == kMostCsvCells)
                throw std::runtime_error("ligne " + std::to_string(line) + " : la ligne a plus de " +
                                         std::to_string(kMostCsvCells) + " cellules ; ce n'est pas un tableau de budget");
            cells.emplace_back();
        } else {
            cells.back() += static_cast<char>(c);
        }
    }
    return true;
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
