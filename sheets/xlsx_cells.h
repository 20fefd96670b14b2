#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace ondrel {

// "A", "B", … "Z", "AA": the letters of a sheet's column, from 0.
std::string columnName(std::uint16_t col);
// "B7": the cell at a column and a row, both from 0.
std::string cellName(std::uint16_t col, std::uint32_t row);
// A formula's text, "=" and its parts, built by appending.
std::string formula(std::initializer_list<std::string> parts);

}  // namespace ondrel
