#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <xlsxwriter.h>

#include "budget/currency.h"

namespace ondrel {

// "A", "B", … "Z", "AA": the letters of a sheet's column, from 0.
std::string columnName(std::uint16_t col);
// "B7": the cell at a column and a row, both from 0.
std::string cellName(std::uint16_t col, std::uint32_t row);
// A formula's text, "=" and its parts, built by appending.
std::string formula(std::initializer_list<std::string> parts);

// An amount as the number a sheet holds, to the cent.
double asNumber(Currency amount);

inline constexpr std::uint8_t kPaperA4 = 9;

// The formats every sheet of ours writes with: amounts with two decimals and grouped
// thousands, signed percentages with one decimal, bold headings.
struct SheetFormats {
    lxw_format* amount;
    lxw_format* percent;
    lxw_format* bold;
};
SheetFormats sheetFormats(lxw_workbook* book);

}  // namespace ondrel
