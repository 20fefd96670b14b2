// Workbooks made to break the reader, each made here: bad references and numbers, row
// numbers past any sheet, parts too large or damaged. Each is refused in French with
// where it is wrong, and nothing is read past the reader's limits.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <zip.h>

#include "sheets/xlsx_reader.h"

namespace ondrel {

namespace {

const std::string kBook = R"(<workbook><sheets><sheet name="Budget" r:id="rId1"/></sheets></workbook>)";
const std::string kRels =
    R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)";

std::string sheetOf(const std::string& rows) {
    return "<worksheet><sheetData>" + rows + "</sheetData></worksheet>";
}

// A workbook of the given sheet, its parts stored without compression.
std::string workbook(const std::string& sheet) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("ondrel-hostile-" + std::to_string(::getpid()) + ".xlsx")).string();
    std::filesystem::remove(path);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr);
    const std::vector<std::pair<std::string, const std::string*>> parts = {
        {"xl/workbook.xml", &kBook}, {"xl/_rels/workbook.xml.rels", &kRels}, {"xl/worksheets/sheet1.xml", &sheet}};
    for (const auto& [name, text] : parts) {
        zip_source_t* source = zip_source_buffer(archive, text->data(), text->size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
        EXPECT_GE(index, 0);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
    return path;
}

std::string refusalOf(const std::string& path) {
    try {
        readXlsxRows(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(HostileXlsx, EveryMalformedReferenceOrNumberIsRefusedWithItsRow) {
    struct Case {
        const char* what;
        std::string rows;
        const char* refusal;   // what the refusal holds; nullptr: read
    } cases[] = {
        {"a number and a string", R"(<row r="1"><c r="A1"><v>12.5</v></c><c r="C1" t="inlineStr"><is><t>x</t></is></c></row>)",
         nullptr},
        {"a column in lower case", R"(<row r="1"><c r="a1"><v>1</v></c></row>)", "ligne 1 : « a1 » n'est pas la référence"},
        {"an empty reference", R"(<row r="1"><c r=""><v>1</v></c></row>)", "ligne 1 : «  » n'est pas la référence"},
        {"an absolute reference", R"(<row r="1"><c r="$A$1"><v>1</v></c></row>)", "ligne 1 : « $A$1 » n'est pas la référence"},
        {"a column past XFD", R"(<row r="1"><c r="AAAAAAA1"><v>1</v></c></row>)", "ligne 1 : « AAAAAAA1 » n'est pas la référence"},
        {"a reference to another row", R"(<row r="2"><c r="A1"><v>1</v></c></row>)", "ligne 2 : « A1 » n'est pas la référence"},
        {"a cell before the one before it", R"(<row r="1"><c r="B1"><v>1</v></c><c r="A1"><v>2</v></c></row>)",
         "ligne 1 : « A1 » n'est pas la référence"},
        {"a row past any sheet", R"(<row r="2147483647"><c><v>1</v></c></row>)", "« 2147483647 » n'est pas un numéro de ligne"},
        {"a row number going back", R"(<row r="3"/><row r="2"/>)", "« 2 » n'est pas un numéro de ligne de 1 à 1048576 qui suit celui de la précédente"},
        {"letters after a number", R"(<row r="1"><c r="A1"><v>12abc</v></c></row>)", "ligne 1 : « 12abc » n'est pas un nombre"},
        {"a hexadecimal number", R"(<row r="1"><c r="A1"><v>0x1p3</v></c></row>)", "ligne 1 : « 0x1p3 » n'est pas un nombre"},
        {"a comma in a stored number", R"(<row r="1"><c r="A1"><v>1,5</v></c></row>)", "ligne 1 : « 1,5 » n'est pas un nombre"},
    };
    for (const auto& c : cases) {
        const std::string refusal = refusalOf(workbook(sheetOf(c.rows)));
        if (!c.refusal)
            EXPECT_EQ(refusal, "") << c.what;
        else
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.what << ": " << refusal;
    }
}

// A few hundred bytes must not make the reader take gigabytes: the cells of a sheet,
// empty ones before a cell included, and the size of a part are bounded.
TEST(HostileXlsx, WhatPassesTheLimitsIsRefusedBeforeItIsHeld) {
    std::string farCells;
    for (int r = 1; r <= 100; ++r)
        farCells += "<row r=\"" + std::to_string(r) + "\"><c r=\"XFD" + std::to_string(r) + "\"><v>1</v></c></row>";
    EXPECT_NE(refusalOf(workbook(sheetOf(farCells))).find("le classeur a plus de 1000000 cellules"), std::string::npos);
    const std::string large = sheetOf(std::string(17u << 20, ' '));
    EXPECT_NE(refusalOf(workbook(large)).find("dépasse 16 Mo une fois décompressée"), std::string::npos);
}

// A part whose bytes do not match its checksum is damaged, not read.
TEST(HostileXlsx, APartWhoseChecksumFailsIsRefused) {
    const std::string path = workbook(sheetOf(R"(<row r="1"><c r="A1"><v>12345</v></c></row>)"));
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const auto at = bytes.find("12345");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '9';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_NE(refusalOf(path).find("sa partie xl/worksheets/sheet1.xml est abîmée"), std::string::npos) << refusalOf(path);
}

}  // namespace ondrel
