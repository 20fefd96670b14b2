#include "sheets/xlsx_cells.h"

namespace ondrel {

std::string columnName(std::uint16_t col) {
    std::string name;
    for (unsigned n = col + 1u; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

std::string cellName(std::uint16_t col, std::uint32_t row) {
    return columnName(col) + std::to_string(row + 1);
}

std::string formula(std::initializer_list<std::string> parts) {
    std::string text = "=";
    for (const auto& part : parts)
        text += part;
    return text;
}

double asNumber(Currency amount) {
    return static_cast<double>(amount.floorHundredths()) / 100.0;
}

SheetFormats sheetFormats(lxw_workbook* book) {
    SheetFormats f{workbook_add_format(book), workbook_add_format(book), workbook_add_format(book)};
    format_set_num_format(f.amount, "#,##0.00");
    format_set_num_format(f.percent, "+0.0\" %\";-0.0\" %\";0.0\" %\"");
    format_set_bold(f.bold);
    return f;
}

}  // namespace ondrel
