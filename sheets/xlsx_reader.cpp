#include "sheets/xlsx_reader.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <stdexcept>

#include <pugixml.hpp>
#include <zip.h>

namespace ondrel {

namespace {

using Archive = std::unique_ptr<zip_t, decltype(&zip_discard)>;

// What a spreadsheet of budget lines ever needs, far above it: a file past these
// limits is refused before it takes the machine's memory.
constexpr zip_uint64_t kLargestPart = 16u << 20;   // bytes of one part, unpacked: some 25,000 lines
constexpr int kLastRow = 1'048'576;                 // the spreadsheets' own limits
constexpr std::size_t kLastColumn = 16'384;         // XFD
constexpr std::size_t kMostCells = 1'000'000;       // counting the empty ones before a cell

std::runtime_error notAWorkbook(const std::string& path, const std::string& why) {
    return std::runtime_error("« " + path + " » n'est pas un classeur XLSX lisible : " + why);
}

// A part of the workbook, whole, read to its end so that its checksum is checked;
// empty when the workbook has none of that name. The size an archive declares is not
// trusted: the reading stops at the limit whatever it says.
std::string part(zip_t* archive, const std::string& name, const std::string& path) {
    zip_stat_t stat;
    if (zip_stat(archive, name.c_str(), 0, &stat) != 0)
        return {};
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > kLargestPart)
        throw notAWorkbook(path, "sa partie " + name + " dépasse " + std::to_string(kLargestPart >> 20) + " Mo une fois décompressée");
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen(archive, name.c_str(), 0), zip_fclose);
    if (!file)
        throw notAWorkbook(path, "sa partie " + name + " ne peut pas être décompressée");
    std::string text;
    char chunk[65536];
    for (;;) {
        const zip_int64_t read = zip_fread(file.get(), chunk, sizeof chunk);
        if (read < 0)
            throw notAWorkbook(path, "sa partie " + name + " est abîmée (" + zip_file_strerror(file.get()) + ")");
        if (read == 0)
            return text;
        if (text.size() + static_cast<std::size_t>(read) > kLargestPart)
            throw notAWorkbook(path, "sa partie " + name + " dépasse " + std::to_string(kLargestPart >> 20) + " Mo une fois décompressée");
        text.append(chunk, static_cast<std::size_t>(read));
    }
}

// Parsed in the part's own text, which the document then uses: no copy of it is made.
pugi::xml_document parsed(std::string& text, const std::string& path, const std::string& name) {
    pugi::xml_document doc;
    if (!doc.load_buffer_inplace(text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata))
        throw notAWorkbook(path, "sa partie " + name + " n'est pas du XML");
    return doc;
}

// A control character cannot stand in XML as it is (a CR would come back as a line
// feed): a spreadsheet writes it _x000D_. Read back, it is the character again.
std::string withControls(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "_x") == 0 && i + 6 < text.size() && text[i + 6] == '_' &&
            std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 2, text.begin() + static_cast<std::ptrdiff_t>(i) + 6,
                        [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
            const int code = std::stoi(text.substr(i + 2, 4), nullptr, 16);
            if (code < 0x20) {
                out += static_cast<char>(code);
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The text of a string item: its own, or its runs' one after the other.
std::string itemText(const pugi::xml_node& item) {
    if (const auto t = item.child("t"))
        return withControls(t.text().get());
    std::string text;
    for (const auto& run : item.children("r"))
        text += run.child("t").text().get();
    return withControls(text);
}

// The sheet's path in the archive: the first sheet of the workbook, through its relation.
std::string firstSheet(zip_t* archive, const std::string& path) {
    std::string bookText = part(archive, "xl/workbook.xml", path);
    const pugi::xml_document book = parsed(bookText, path, "xl/workbook.xml");
    const pugi::xml_node sheet = book.child("workbook").child("sheets").child("sheet");
    if (!sheet)
        throw notAWorkbook(path, "il n'a aucune feuille");
    const std::string id = sheet.attribute("r:id").value();
    std::string relsText = part(archive, "xl/_rels/workbook.xml.rels", path);
    const pugi::xml_document rels = parsed(relsText, path, "xl/_rels/workbook.xml.rels");
    for (const auto& rel : rels.child("Relationships").children("Relationship"))
        if (id == rel.attribute("Id").value()) {
            const std::string target = rel.attribute("Target").value();
            return target.rfind('/', 0) == 0 ? target.substr(1) : "xl/" + target;
        }
    return "xl/worksheets/sheet1.xml";
}

// A row's number, 1 to the spreadsheets' last row; none for anything else.
std::optional<int> rowNumber(const std::string& text) {
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int number = std::stoi(text);
    if (number < 1 || number > kLastRow)
        return std::nullopt;
    return number;
}

// "AB12" gives 27: the column of a cell's reference, from 0, when the reference is one
// of a cell of the row (letters A to XFD, then the row's number); none otherwise.
std::optional<std::size_t> columnOf(const std::string& reference, int row) {
    std::size_t column = 0, letters = 0;
    while (letters < reference.size() && letters < 3 && reference[letters] >= 'A' && reference[letters] <= 'Z')
        column = column * 26 + static_cast<std::size_t>(reference[letters++] - 'A' + 1);
    if (letters == 0 || column > kLastColumn || rowNumber(reference.substr(letters)) != row)
        return std::nullopt;
    return column - 1;
}

// A number as a spreadsheet stores it: digits, a point and digits, an exponent.
bool storedNumber(const std::string& text) {
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        return i > from;
    };
    if (!digits())
        return false;
    if (i < text.size() && text[i] == '.' && (++i, !digits()))
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
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
    if (std::string shared = part(archive.get(), "xl/sharedStrings.xml", path); !shared.empty()) {
        const pugi::xml_document doc = parsed(shared, path, "xl/sharedStrings.xml");
        for (const auto& item : doc.child("sst").children("si"))
            strings.push_back(itemText(item));
    }
    const std::string sheetName = firstSheet(archive.get(), path);
    std::string sheetText = part(archive.get(), sheetName, path);
    if (sheetText.empty())
        throw notAWorkbook(path, "sa première feuille manque");
    const pugi::xml_document sheet = parsed(sheetText, path, sheetName);
    std::vector<SheetRow> rows;
    int next = 1;
    std::size_t cells = 0;
    for (const auto& row : sheet.child("worksheet").child("sheetData").children("row")) {
        SheetRow read;
        const auto number = row.attribute("r") ? rowNumber(row.attribute("r").value()) : std::optional<int>(next);
        if (!number || *number < next)
            throw notAWorkbook(path, "« " + std::string(row.attribute("r").value()).substr(0, 40) +
                                         " » n'est pas un numéro de ligne de 1 à 1048576 qui suit celui de la précédente");
        read.number = *number;
        next = read.number + 1;
        const auto fault = [&](const std::string& why) {
            return notAWorkbook(path, "ligne " + std::to_string(read.number) + " : " + why);
        };
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
                text = withControls(value);
            } else if (!value.empty()) {
                if (!storedNumber(value))
                    throw fault("« " + value.substr(0, 40) + " » n'est pas un nombre");
                text = numberText(value);
            }
            const auto column = c.attribute("r") ? columnOf(c.attribute("r").value(), read.number)
                                                 : std::optional<std::size_t>(read.cells.size());
            if (!column || *column < read.cells.size())
                throw fault("« " + std::string(c.attribute("r").value()).substr(0, 40) +
                            " » n'est pas la référence d'une cellule de cette ligne, après la précédente");
            cells += *column + 1 - read.cells.size();
            if (cells > kMostCells)
                throw fault("le classeur a plus de " + std::to_string(kMostCells) + " cellules");
            read.cells.resize(*column + 1);
            read.cells[*column] = std::move(text);
        }
        while (!read.cells.empty() && read.cells.back().empty())
            read.cells.pop_back();
        rows.push_back(std::move(read));
    }
    return rows;
}

}  // namespace ondrel
