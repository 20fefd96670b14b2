#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ondrel {

// The cells of the CSV that French spreadsheets read: ";" between cells, quotes around
// a cell that holds ";", a quote or a line break, quotes doubled inside.
std::string csvCell(const std::string& text);
// Writes one record of such cells, CR LF after it.
void writeCsvRecord(std::ostream& out, const std::vector<std::string>& cells);

// A record of a budget has some 130 cells at most: a record past this many is refused
// before it is held.
inline constexpr std::size_t kMostCsvCells = 1000;

// Reads such a CSV a record at a time, whatever its line ends (CR LF, LF, or CR alone
// as old Macs write them), a quoted cell keeping its line breaks and its tabs, after
// a byte-order mark if there is one. Raises std::runtime_error, in French, for a record
// of more than kMostCsvCells cells.
class CsvReader {
public:
    explicit CsvReader(std::istream& in);
    // The next record's cells, and the number of the line it begins on; false at the end.
    bool next(std::vector<std::string>& cells, int& line);

private:
    std::istream& in_;
    int line_ = 1;
};

// A text cell that a spreadsheet would take for a formula ("=", "+", "-", "@", a tab or
// a carriage return first) is written behind an apostrophe, which makes it text there;
// so is a text that begins with an apostrophe, so that reading it back is exact.
std::string asSpreadsheetText(const std::string& text);
// A code or a heading that a spreadsheet would turn into a number or a date ("001" into
// 1, "janvier 2027" into the first of January) is written as the formula ="001", whose
// value is the text itself. The text holds no quote.
std::string keptAsText(const std::string& text);
// The text of a cell written by either of the two above, or by a spreadsheet.
std::string fromSpreadsheetText(const std::string& cell);

}  // namespace ondrel
