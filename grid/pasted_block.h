#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "grid/year_grid.h"

namespace ondrel {

// The cells a spreadsheet puts on the clipboard: a row a line (LF, CR LF or CR), a
// cell between tabs. The line end after the last row ends it.
std::vector<std::vector<std::string>> clipboardCells(const std::string& text);
// Cells for a spreadsheet: tabs between them, a line end after each row; a tab or a
// line break inside a cell becomes a blank, so that the block keeps its shape.
std::string clipboardText(const std::vector<std::vector<std::string>>& cells);

// What a pasted block does to the grid, each value read as the grid reads a typed one:
// the months it sets, or, for a block refused whole, its first bad cell.
struct PastePlan {
    std::vector<YearGrid::Amount> amounts;
    std::optional<std::string> refusal;
    // Rows whose key or total the grid does not take from the block: what each kept.
    std::vector<std::string> notes{};
};

// The block lands at the month `period` of the line shown at `row`, lines going down in
// the order shown (rows: the grid's line of each row shown); the empty row below them
// takes no months, as it has no line yet. A block whose first two
// columns are an account and its label (as an export or the grid's own account and
// label columns give them) lands on the line of each account instead, its months from
// the first month of the year, past a key and a total when it has both: the line keeps
// its key, and its total is its months' sum; where the block says otherwise, a note
// says so.
PastePlan planPaste(const YearGrid& grid, const std::vector<std::size_t>& rows, std::size_t row, std::size_t period,
                    const std::vector<std::vector<std::string>>& cells);

}  // namespace ondrel
