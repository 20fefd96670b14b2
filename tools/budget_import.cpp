#include "tools/budget_import.h"

#include <istream>

#include "budget/budget_key.h"
#include "periods/even_spread.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {

constexpr std::size_t kFixedColumns = 6;   // entity, year, account, label, key, total

// One CSV record: fields between ";", quotes around a field that holds them.
std::vector<std::string> csvFields(const std::string& text) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// At most nine digits before the comma and two after it, as an amount zone takes them.
std::optional<Currency> amountCell(const std::string& text) {
    const std::string t = trimBlanks(text);
    const auto comma = t.find(',');
    const std::size_t units = comma == std::string::npos ? t.size() : comma;
    const std::size_t decimals = comma == std::string::npos ? 0 : t.size() - comma - 1;
    if (t.empty() || units > 9 || decimals > 2)
        return std::nullopt;
    return parseAmount(t);
}

}  // namespace

std::vector<BudgetRow> readBudgetCsv(std::istream& in, std::vector<std::string>& faults) {
    std::vector<BudgetRow> rows;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (number == 1) {
            if (text.rfind("\xEF\xBB\xBF", 0) == 0)
                text.erase(0, 3);
            if (csvFields(text).size() < kFixedColumns || csvFields(text)[0] != "Entité")
                faults.push_back("ligne 1 : l'en-tête n'est pas celui d'un export de budget");
            continue;
        }
        if (trimBlanks(text).empty())
            continue;
        auto fail = [&](const std::string& why) { faults.push_back("ligne " + std::to_string(number) + " : " + why); };
        const auto f = csvFields(text);
        if (f.size() < kFixedColumns) {
            fail("il manque des colonnes");
            continue;
        }
        if (!isValidUtf8(text) || holdsControlChar(text)) {
            fail("le texte n'est pas de l'UTF-8 sans caractère de contrôle");
            continue;
        }
        if (f[1] != "N" && f[1] != "N+1") {
            fail("l'exercice est N ou N+1, pas « " + f[1] + " »");
            continue;
        }
        BudgetRow row{number, {f[0], f[1], f[2], f[3], f[4], Currency::zero(), {}}};
        const auto total = amountCell(f[5]);
        if (!total) {
            fail("le total « " + f[5] + " » n'est pas un montant d'au plus neuf chiffres et deux décimales");
            continue;
        }
        row.line.total = *total;
        bool good = true;
        for (std::size_t c = kFixedColumns; c < f.size() && good; ++c) {
            if (trimBlanks(f[c]).empty())
                continue;
            const auto amount = amountCell(f[c]);
            if (!amount) {
                fail("la période " + std::to_string(c - kFixedColumns + 1) + " « " + f[c] + " » n'est pas un montant");
                good = false;
            } else {
                row.line.periods.emplace_back(static_cast<int>(c - kFixedColumns), *amount);
            }
        }
        if (good)
            rows.push_back(std::move(row));
    }
    return rows;
}

BudgetWriteReport writeBudgetRows(const std::shared_ptr<Database>& db, const std::vector<BudgetRow>& rows,
                                  bool replace, bool dryRun) {
    struct RollBack {};
    BudgetWriteReport report;
    try {
        db->inOneTransaction([&] {
            ScreenWriter screen(db);
            for (const auto& row : rows) {
                const LineToWrite& line = row.line;
                const std::string key = yearCodeFor(line.year) + line.entity + line.account;
                const auto before = db->read("BUDGET", key);
                const auto result = screen.write(line, replace);
                const std::string where = "ligne " + std::to_string(row.lineNumber) + " (" + line.account + ")";
                if (result.refusal) {
                    report.faults.push_back(where + " : " + *result.refusal);
                } else if (result.outcome == ScreenWriter::Outcome::Kept) {
                    report.kept.push_back(where);
                } else if (!before) {
                    ++report.created;
                } else if (before->fields() == db->read("BUDGET", key)->fields()) {
                    ++report.unchanged;
                } else {
                    ++report.changed;
                }
            }
            if (dryRun || !report.faults.empty())
                throw RollBack{};
        });
    } catch (const RollBack&) {
    }
    return report;
}

std::vector<BudgetRow> copiedRows(const BudgetSheet& from, const std::string& to, std::size_t toPeriods,
                                  std::int64_t percentHundredths) {
    auto scaled = [&](Currency amount) {
        // Whole cents times (10,000 + p) / 10,000, halves away from zero. Amounts have at
        // most eleven digits of cents and the percentage is bounded: no overflow.
        const std::int64_t cents = amount.floorHundredths() * (10000 + percentHundredths);
        return Currency::fromHundredths((cents + (cents >= 0 ? 5000 : -5000)) / 10000);
    };
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
