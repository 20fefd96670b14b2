#pragma once

#include <cstdint>
#include <string>

namespace ondrel {

// "A", "B", … "Z", "AA": the letters of a sheet's column, from 0.
std::string columnName(std::uint16_t col);
// "B7": the cell at a column and a row, both from 0.
std::string cellName(std::uint16_t col, std::uint32_t row);

}  // namespace ondrel
