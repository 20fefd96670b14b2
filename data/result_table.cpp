#include "data/result_table.h"

namespace ondrel {

std::string ResultTable::row(int row) const {
    return row >= 1 && row <= DCount() ? joinValues(rows_[row - 1]) : std::string();
}

const std::string& ResultTable::cell(int row, int column) const {
    static const std::string kEmpty;
    if (row < 1 || row > DCount())
        return kEmpty;
    const auto& r = rows_[row - 1];
    return column >= 1 && column <= static_cast<int>(r.size()) ? r[column - 1] : kEmpty;
}

}  // namespace ondrel
