#include "sheets/budget_import.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <istream>
#include <map>
#include <set>

#include "account/account_number.h"
#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "budget/line_note.h"
#include "entity/code_padding.h"
#include "periods/even_spread.h"
#include "screen/utf8_text.h"
#include "sheets/percentage.h"
#include "sheets/csv_cells.h"
#include "sheets/xlsx_reader.h"

namespace ondrel {

// At most nine digits before the comma and two after it, as an amount zone takes them.
std::optional<Currency> amountCell(const std::string& text) {
    const std::string t = withoutBlanks(text);
    const auto comma = t.find(',');
    const std::size_t units = comma == std::string::npos ? t.size() : comma;
    const std::size_t decimals = comma == std::string::npos ? 0 : t.size() - comma - 1;
    if (t.empty() || units > 9 || decimals > 2)
        return std::nullopt;
    return parseAmount(t);
}

namespace {

// Why the first line is not the header of an export of the budget, or nothing.
std::optional<std::string> headerFault(const std::vector<std::string>& f) {
    if (f.size() < kFixedColumns || f[0] != "Entité")
        return "l'en-tête n'est pas celui d'un export de budget (Entité;Exercice;Compte;…)";
    if (std::find(f.begin(), f.end(), "Réalisé") != f.end())
        return "ce fichier porte le réalisé ; exportez le budget sans le réalisé pour le réimporter";
    return std::nullopt;
}

std::string columnFault(std::size_t column, const std::string& why) {
    return "colonne " + std::to_string(column + 1) + " : " + why;
}

// The budget line of one row of the table, or why it cannot be read. The months stand
// between the fixed columns and the notes, or the end.
std::optional<std::string> readRow(const std::vector<std::string>& f, std::size_t columns, bool withNotes,
                                   TextCells texts, BudgetRow& row) {
    const auto text = [&](const std::string& cell) { return texts == TextCells::Guarded ? fromSpreadsheetText(cell) : cell; };
    if (!std::all_of(f.begin(), f.end(), isValidUtf8))
        return "le texte n'est pas de l'UTF-8";
    if (f.size() != columns)
        return "la ligne a " + std::to_string(f.size()) + " colonne(s), l'en-tête en a " + std::to_string(columns);
    if (f[1] != "N" && f[1] != "N+1")
        return columnFault(1, "l'exercice est N ou N+1, pas « " + excerpt(f[1]) + " »");
    // A record separator would split a code or a label into several values, and no
    // text of the suite holds a NUL: refused as the screen refuses them. A tab or a line
    // break that a stored label holds travels out and back as it is.
    const auto unkept = [](char ch) {
        return static_cast<unsigned char>(ch) < 0x20 && ch != '\t' && ch != '\r' && ch != '\n';
    };
    for (std::size_t c = 0; c < 5; ++c)
        if (std::any_of(f[c].begin(), f[c].end(), unkept))
            return columnFault(c, controlCharRefusal());
    row.line = {text(f[0]), f[1], text(f[2]), text(f[3]), text(f[4]), Currency::zero(), {}};
    const auto total = amountCell(f[5]);
    if (!total)
        return columnFault(5, "le total « " + excerpt(f[5]) + " » n'est pas un montant d'au plus neuf chiffres et deux décimales");
    row.line.total = *total;
    const std::size_t monthsEnd = withNotes ? columns - 1 : columns;
    if (withNotes) {
        row.note = text(f[monthsEnd]);
        if (const auto fault = noteFault(*row.note))
            return columnFault(monthsEnd, *fault);
    }
    for (std::size_t c = kFixedColumns; c < monthsEnd; ++c) {
        if (trimBlanks(f[c]).empty())
            continue;
        const auto amount = amountCell(f[c]);
        if (!amount)
            return columnFault(c, "la période " + std::to_string(c - kFixedColumns + 1) + " « " + excerpt(f[c]) +
                                      " » n'est pas un montant");
        row.line.periods.emplace_back(static_cast<int>(c - kFixedColumns), *amount);
    }
    return std::nullopt;
}

}  // namespace

std::vector<BudgetRow> readBudgetTable(const NextRecord& next, TextCells texts, std::vector<std::string>& faults) {
    std::vector<BudgetRow> rows;
    std::vector<std::string> f;
    int number = 0;
    auto fail = [&](const std::string& why) { faults.push_back("ligne " + std::to_string(number) + " : " + why); };
    if (!next(f, number)) {
        faults.push_back("ligne 1 : le fichier est vide ; il lui faut au moins l'en-tête et une ligne de budget");
        return rows;
    }
    if (const auto fault = headerFault(f)) {
        fail(*fault);
        return rows;
    }
    const std::size_t columns = f.size();
    const bool withNotes = f.back() == kNoteHeading;
    while (next(f, number)) {
        if (std::all_of(f.begin(), f.end(), [](const std::string& cell) { return trimBlanks(cell).empty(); }))
            continue;
        BudgetRow row{number, {}};
        if (const auto fault = readRow(f, columns, withNotes, texts, row))
            fail(*fault);
        else
            rows.push_back(std::move(row));
    }
    if (rows.empty() && faults.empty())
        faults.push_back("le fichier ne contient aucune ligne de budget");
    return rows;
}

std::vector<BudgetRow> readBudgetCsv(std::istream& in, std::vector<std::string>& faults) {
    CsvReader csv(in);
    return readBudgetTable([&](std::vector<std::string>& cells, int& line) { return csv.next(cells, line); },
                           TextCells::Guarded, faults);
}

// A sheet leaves a row's last empty cells out: each row is as wide as the header. Past
// the first blank row, the rows without entity or year are the sheet's own totals.
std::vector<BudgetRow> readBudgetXlsx(const std::string& path, std::vector<std::string>& faults) {
    const std::vector<SheetRow> sheet = readXlsxRows(path);
    std::size_t at = 0, width = 0;
    int previous = 0;
    bool pastBlank = false;
    return readBudgetTable(
        [&](std::vector<std::string>& cells, int& line) {
            for (; at < sheet.size(); ++at) {
                const SheetRow& row = sheet[at];
                // A sheet keeps no blank row: a gap in the numbers is one.
                pastBlank = pastBlank || (previous > 0 && (row.number > previous + 1 || row.cells.empty()));
                previous = row.number;
                const bool totals = pastBlank && (row.cells.size() < 2 || (row.cells[0].empty() && row.cells[1].empty()));
                if (row.cells.empty() || totals)
                    continue;
                cells = row.cells;
                line = row.number;
                width = std::max(width, cells.size());
                if (cells.size() < width)
                    cells.resize(width);
                ++at;
                return true;
            }
            return false;
        },
        TextCells::AsWritten, faults);
}

std::vector<BudgetRow> readBudgetFile(const std::string& path, std::vector<std::string>& faults) {
    const bool xlsx = path.size() >= 5 && std::equal(path.end() - 5, path.end(), ".xlsx", [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) == b;
                      });
    if (xlsx)
        return readBudgetXlsx(path, faults);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("le fichier « " + path + " » ne peut pas être lu");
    return readBudgetCsv(in, faults);
}

namespace {

// The key of the line a row writes, as the screen pads and completes its codes.
std::string lineKey(const LineToWrite& line) {
    return budgetKey(yearCodeFor(line.year), padCode(line.entity), completeWithZeros(line.account));
}

// What the screen reads first for each of the rows from first on, read at once: every
// line of each entity's year, which answers the lines above and below a new account
// too, and the chart's accounts.
std::size_t readAhead(Database& db, const std::vector<BudgetRow>& rows, std::size_t first) {
    constexpr std::size_t kRows = 500;
    std::vector<std::string> lines, accounts;
    for (std::size_t i = first; i < std::min(rows.size(), first + kRows); ++i) {
        const LineToWrite& line = rows[i].line;
        const std::string entity = padCode(line.entity), account = completeWithZeros(line.account);
        db.readAheadUnder("BUDGET", budgetKey(yearCodeFor(line.year), entity, ""));
        lines.push_back(lineKey(line));
        for (const auto& above : accountsAbove(account))
            lines.push_back(budgetKey(yearCodeFor(line.year), entity, above));
        accounts.push_back(chartKey(entity, account));
    }
    db.readAhead("BUDGET", lines);
    db.readAhead("PLANCOMPTABLE", accounts);
    return first + kRows;
}

// A validated year takes no row: said once for the year, before any row is typed.
bool refuseLockedYears(Database& db, const std::vector<BudgetRow>& rows, BudgetWriteReport& report) {
    std::set<std::string> asked;
    bool refused = false;
    for (const BudgetRow& row : rows) {
        const std::string year = lockKey(yearCodeFor(row.line.year), padCode(row.line.entity));
        if (!asked.insert(year).second)
            continue;
        if (const auto lock = budgetLock(db, yearCodeFor(row.line.year), padCode(row.line.entity))) {
            refused = true;
            report.faults.push_back("exercice " + row.line.year + " de l'entité " + padCode(row.line.entity) + " : " +
                                    lockRefusal(*lock));
        }
    }
    return refused;
}

// Each row typed at a screen of its own, as a person would type it; its note kept
// beside the line, where the file has notes.
void typeEachRow(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                 const std::vector<BudgetRow>& rows, OnFile onFile, BudgetWriteReport& report) {
    ScreenWriter screen(db, rights);
    if (const auto refusal = screen.rightsRefusal()) {
        report.faults.push_back(*refusal);
        return;
    }
    if (refuseLockedYears(*db, rows, report))
        return;
    // The line of each budget key, as the screen pads and completes them.
    std::map<std::string, int> seen;
    std::size_t readUpTo = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == readUpTo)
            readUpTo = readAhead(*db, rows, i);
        const BudgetRow& row = rows[i];
        const LineToWrite& line = row.line;
        const std::string where = "ligne " + std::to_string(row.lineNumber) + " (" + excerpt(line.account) + ")";
        const auto [first, fresh] = seen.emplace(
            line.year + "|" + padCode(line.entity) + "|" + completeWithZeros(line.account), row.lineNumber);
        if (!fresh) {
            report.faults.push_back(where + " : ce compte figure déjà à la ligne " +
                                    std::to_string(first->second) + " pour la même entité et le même exercice.");
            continue;
        }
        if (row.readAt) {
            const auto stored = db->read("BUDGET", lineKey(line));
            if ((stored ? stored->revision() : 0) != *row.readAt) {
                report.faults.push_back(where + " : cette ligne a été modifiée par un autre poste depuis son "
                                                "affichage ; relisez-la avant de l'enregistrer.");
                continue;
            }
        }
        auto result = screen.write(line, onFile);
        if (!result.refusal && result.outcome != ScreenWriter::Outcome::Kept && row.note &&
            saveNote(*db, lineKey(line), *row.note) && result.outcome == ScreenWriter::Outcome::Unchanged)
            result.outcome = ScreenWriter::Outcome::Replaced;
        if (result.refusal)
            report.faults.push_back(where + " : " + *result.refusal);
        else if (result.outcome == ScreenWriter::Outcome::Kept)
            report.kept.push_back(where);
        else if (result.outcome == ScreenWriter::Outcome::Unchanged)
            ++report.unchanged;
        else if (result.outcome == ScreenWriter::Outcome::Created)
            ++report.created;
        else
            ++report.changed;
    }
}

}  // namespace

BudgetWriteReport writeBudgetRows(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                                  const std::vector<BudgetRow>& rows, BudgetWriting writing) {
    struct RollBack {};
    BudgetWriteReport report;
    try {
        db->inOneTransaction([&] {
            db->inOneBatch([&] { typeEachRow(db, rights, rows, writing.onFile, report); });
            if (writing.run == BudgetWriting::Run::DryRun || !report.faults.empty())
                throw RollBack{};
        });
    } catch (const RollBack&) {
    }
    return report;
}

std::vector<BudgetRow> copiedRows(const BudgetSheet& from, const std::string& to, std::size_t toPeriods,
                                  std::int64_t percentHundredths) {
    auto scaled = [&](Currency amount) { return raisedBy(amount, percentHundredths); };
    std::vector<BudgetRow> rows;
    int number = 0;
    for (const auto& source : from.lines) {
        BudgetRow row{++number, {from.entity, to, source.account, source.label, source.key, scaled(source.total), {}}};
        const auto even = spreadEvenly(source.total, static_cast<int>(source.periods.size()));
        bool spreadEvenlyBefore = true;
        for (std::size_t p = 0; p < source.periods.size(); ++p)
            spreadEvenlyBefore = spreadEvenlyBefore && source.periods[p] && *source.periods[p] == even[p];
        if (!spreadEvenlyBefore && source.periods.size() == toPeriods) {
            row.line.total = Currency::zero();
            for (std::size_t p = 0; p < source.periods.size(); ++p)
                if (source.periods[p]) {
                    row.line.periods.emplace_back(static_cast<int>(p), scaled(*source.periods[p]));
                    row.line.total += row.line.periods.back().second;
                }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace ondrel
