#include "sheets/xlsx_reader.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include <pugixml.hpp>
#include <zip.h>

namespace ondrel {

namespace {

using Archive = std::unique_ptr<zip_t, decltype(&zip_discard)>;

std::runtime_error notAWorkbook(const std::string& path, const std::string& why) {
    return std::runtime_error("« " + path + " » n'est pas un classeur XLSX lisible : " + why);
}

// A part of the workbook, whole; empty when the workbook has none of that name.
std::string part(zip_t* archive, const std::string& name) {
    zip_stat_t stat;
    if (zip_stat(archive, name.c_str(), 0, &stat) != 0)
        return {};
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen(archive, name.c_str(), 0), zip_fclose);
    if (!file)
        return {};
    std::string text(static_cast<std::size_t>(stat.size), '\0');
    if (zip_fread(file.get(), text.data(), stat.size) != static_cast<zip_int64_t>(stat.size))
        return {};
    return text;
}

pugi::xml_document parsed(const std::string& text, const std::string& path, const std::string& name) {
    pugi::xml_document doc;
    if (!doc.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata))
        throw notAWorkbook(path, "sa partie " + name + " n'est pas du XML");
    return doc;
}

// The text of a string item: its own, or its runs' one after the other.
std::string itemText(const pugi::xml_node& item) {
    if (const auto t = item.child("t"))
        return t.text().get();
    std::string text;
    for (const auto& run : item.children("r"))
        text += run.child("t").text().get();
    return text;
}

// The sheet's path in the archive: the first sheet of the workbook, through its relation.
std::string firstSheet(zip_t* archive, const std::string& path) {
    const pugi::xml_document book = parsed(part(archive, "xl/workbook.xml"), path, "xl/workbook.xml");
    const pugi::xml_node sheet = book.child("workbook").child("sheets").child("sheet");
    if (!sheet)
        throw notAWorkbook(path, "il n'a aucune feuille");
    const std::string id = sheet.attribute("r:id").value();
    const pugi::xml_document rels = parsed(part(archive, "xl/_rels/workbook.xml.rels"), path, "xl/_rels/workbook.xml.rels");
    for (const auto& rel : rels.child("Relationships").children("Relationship"))
        if (id == rel.attribute("Id").value()) {
            const std::string target = rel.attribute("Target").value();
            return target.rfind('/', 0) == 0 ? target.substr(1) : "xl/" + target;
        }
    return "xl/worksheets/sheet1.xml";
}

// "AB12" gives 27: the column of a cell's reference, from 0.
std::size_t columnOf(const std::string& reference) {
    std::size_t column = 0;
    for (char c : reference) {
        if (c < 'A' || c > 'Z')
            break;
        column = column * 26 + static_cast<std::size_t>(c - 'A' + 1);
    }
    return column - 1;
}

// As a person reads the number: fifteen digits at most, as the spreadsheet shows it,
// with the comma.
std::string numberText(const std::string& stored) {
    char text[64];
    const double value = std::strtod(stored.c_str(), nullptr);
    std::snprintf(text, sizeof text, "%.15g", value);
    std::string out = text;
    if (out.find_first_of("eE") != std::string::npos) {
        std::snprintf(text, sizeof text, "%.2f", value);
        out = text;
    }
    for (char& c : out)
        if (c == '.')
            c = ',';
    return out;
}

}  // namespace

std::vector<SheetRow> readXlsxRows(const std::string& path) {
    int error = 0;
    Archive archive(zip_open(path.c_str(), ZIP_RDONLY, &error), zip_discard);
    if (!archive)
        throw notAWorkbook(path, error == ZIP_ER_NOENT || error == ZIP_ER_OPEN ? "il ne peut pas être lu"
                                                                               : "ce n'est pas une archive XLSX");
    std::vector<std::string> strings;
    if (const std::string shared = part(archive.get(), "xl/sharedStrings.xml"); !shared.empty()) {
        const pugi::xml_document doc = parsed(shared, path, "xl/sharedStrings.xml");
        for (const auto& item : doc.child("sst").children("si"))
            strings.push_back(itemText(item));
    }
    const std::string sheetName = firstSheet(archive.get(), path);
    const std::string sheetText = part(archive.get(), sheetName);
    if (sheetText.empty())
        throw notAWorkbook(path, "sa première feuille manque");
    const pugi::xml_document sheet = parsed(sheetText, path, sheetName);
    std::vector<SheetRow> rows;
    int next = 1;
    for (const auto& row : sheet.child("worksheet").child("sheetData").children("row")) {
        SheetRow read;
        read.number = row.attribute("r").as_int(next);
        next = read.number + 1;
        for (const auto& c : row.children("c")) {
            const std::string type = c.attribute("t").value();
            const std::string value = c.child("v").text().get();
            std::string text;
            if (type == "s") {
                const auto index = static_cast<std::size_t>(std::strtoul(value.c_str(), nullptr, 10));
                text = index < strings.size() ? strings[index] : std::string();
            } else if (type == "inlineStr") {
                text = itemText(c.child("is"));
            } else if (type == "str" || type == "e" || type == "b") {
                text = value;
            } else if (!value.empty()) {
                text = numberText(value);
            }
            const std::size_t column = c.attribute("r") ? columnOf(c.attribute("r").value()) : read.cells.size();
            if (read.cells.size() <= column)
                read.cells.resize(column + 1);
            read.cells[column] = std::move(text);
        }
        while (!read.cells.empty() && read.cells.back().empty())
            read.cells.pop_back();
        rows.push_back(std::move(read));
    }
    return rows;
}

}  // namespace ondrel
