#pragma once

#include <string>
#include <vector>

#include "data/record.h"

namespace ondrel {

// The rows of a select, each with the columns of its field list.
class ResultTable {
public:
    ResultTable() = default;
    explicit ResultTable(std::vector<std::vector<std::string>> rows) : rows_(std::move(rows)) {}

    int DCount() const { return static_cast<int>(rows_.size()); }
    // t(r): the whole of row r from 1, its columns joined by kValueMark; empty past the table.
    std::string row(int row) const;
    // t(r, c), rows and columns from 1; empty outside the table. A reference, not a copy:
    // a list of 100,000 lines is filled from it.
    const std::string& cell(int row, int column) const;
    const std::vector<std::vector<std::string>>& rows() const& { return rows_; }
    // The rows of a table that is about to go would dangle: keep the table first.
    void rows() && = delete;

private:
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace ondrel
