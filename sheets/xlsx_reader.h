#pragma once

#include <string>
#include <vector>

namespace ondrel {

// A row of a sheet: its number in the sheet (from 1) and its cells from column A, as
// texts: a string as written; a number in its shortest decimal form with the French
// comma ("1234,5", "1", "6064000000"); a formula by the value the spreadsheet last
// computed. An empty row has no cell.
struct SheetRow {
    int number = 0;
    std::vector<std::string> cells;
};

// The rows of the first sheet of an XLSX workbook, as a spreadsheet saved it. Raises
// std::runtime_error, in French, for a file that is not such a workbook.
std::vector<SheetRow> readXlsxRows(const std::string& path);

}  // namespace ondrel
