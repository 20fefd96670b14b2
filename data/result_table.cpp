#include "data/result_table.h"

namespace ondrel {

std::string ResultTable::row(int row) const {
    return row >= 1 && row <= DCount() ? joinValues(rows_[row - 1]) : std::string();
}

std::string ResultTable::cell(int row, int column) const {
    if (row < 1 || row > DCount())
        return {};
    const auto& r = rows_[row - 1];
    return column >= 1 && column <= static_cast<int>(r.size()) ? r[column - 1] : std::string();
}

}  // namespace ondrel
