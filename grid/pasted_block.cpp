#include "grid/pasted_block.h"

#include <algorithm>

#include "account/account_number.h"
#include "entity/code_padding.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {

bool isAccount(const std::string& cell) {
    const std::string t = trimBlanks(cell);
    return !t.empty() && t.size() <= kAccountLength && allDigits(t);
}

// An account and a label first: a label is no amount, and an account is all digits.
bool carriesAccountAndLabel(const std::vector<std::vector<std::string>>& cells) {
    const auto& first = cells.front();
    return first.size() >= 2 && isAccount(first[0]) && !trimBlanks(first[1]).empty() && !amountCell(first[1]);
}

// The key and the total of a whole row pasted, against what the line keeps.
void noteKeyAndTotal(std::size_t r, const YearGrid::Line& line, const std::vector<std::string>& cells,
                     std::vector<std::string>& notes) {
    const std::string row = "ligne " + std::to_string(r + 1) + " du collage (" + line.account + ")";
    const std::string key = trimBlanks(cells[2]);
    if (!key.empty() && (!allDigits(key) || key.size() > kCodeLength || padCode(key) != line.key))
        notes.push_back(row + " : la clé « " + excerpt(key) + " » n'est pas reprise ; la ligne garde la clé " + line.key + ".");
    Currency months = Currency::zero();
    for (std::size_t c = 4; c < cells.size(); ++c)
        if (const auto amount = amountCell(cells[c]))
            months += *amount;
    const auto total = amountCell(cells[3]);
    if (!withoutBlanks(cells[3]).empty() && (!total || *total != months))
        notes.push_back(row + " : le total « " + excerpt(cells[3]) + " » n'est pas repris ; la ligne totalise ses mois, " +
                        formatAmount(months, Grouping::Thousands) + ".");
}

std::string where(std::size_t row, std::size_t column) {
    return "ligne " + std::to_string(row + 1) + ", colonne " + std::to_string(column + 1) + " du collage : ";
}

}  // namespace

std::vector<std::vector<std::string>> clipboardCells(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            rows.emplace_back(1);
        } else if (c == '\t') {
            rows.back().emplace_back();
        } else {
            rows.back().back() += c;
        }
    }
    if (rows.size() > 1 && rows.back().size() == 1 && rows.back()[0].empty())
        rows.pop_back();
    return rows;
}

std::string clipboardText(const std::vector<std::vector<std::string>>& cells) {
    std::string text;
    for (const auto& row : cells) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c)
                text += '\t';
            for (char ch : row[c])
                text += ch == '\t' || ch == '\n' || ch == '\r' ? ' ' : ch;
        }
        text += '\n';
    }
    return text;
}

PastePlan planPaste(const YearGrid& grid, const std::vector<std::size_t>& rows, std::size_t row, std::size_t period,
                    const std::vector<std::vector<std::string>>& cells) {
    PastePlan plan;
    const std::size_t months = grid.periodLabels().size();
    const bool byAccount = carriesAccountAndLabel(cells);
    if (!byAccount && row >= rows.size()) {
        plan.refusal = "la ligne « Nouveau compte… » n'a pas encore de compte : tapez-y d'abord le compte de la nouvelle "
                       "ligne, puis collez ses mois.";
        return plan;
    }
    for (std::size_t r = 0; r < cells.size() && !plan.refusal; ++r) {
        const auto& cellsOfRow = cells[r];
        std::size_t line = 0, first = 0, month = period;
        if (byAccount) {
            const std::string account = completeWithZeros(trimBlanks(cellsOfRow.at(0)));
            const auto found = std::find_if(grid.lines().begin(), grid.lines().end(),
                                            [&](const YearGrid::Line& l) { return l.account == account; });
            if (!isAccount(cellsOfRow[0]) || found == grid.lines().end()) {
                plan.refusal = where(r, 0) + "le compte « " + excerpt(cellsOfRow[0]) +
                               " » n'a pas de ligne dans la grille ; créez-la d'abord sur la ligne vide du bas.";
                break;
            }
            line = static_cast<std::size_t>(found - grid.lines().begin());
            const std::size_t rest = cellsOfRow.size() >= 2 ? cellsOfRow.size() - 2 : 0;
            first = rest == months + 2 ? 4 : 2;   // past a key and a total
            month = 0;
            if (first == 4)
                noteKeyAndTotal(r, *found, cellsOfRow, plan.notes);
        } else if (row + r >= rows.size()) {
            plan.refusal = "ligne " + std::to_string(r + 1) + " du collage : le bloc dépasse la dernière ligne de la grille.";
            break;
        } else {
            line = rows[row + r];
        }
        if (month + (cellsOfRow.size() - std::min(first, cellsOfRow.size())) > months) {
            plan.refusal = "ligne " + std::to_string(r + 1) + " du collage : le bloc dépasse le dernier mois de l'exercice.";
            break;
        }
        for (std::size_t c = first; c < cellsOfRow.size(); ++c, ++month) {
            const std::string& text = cellsOfRow[c];
            const bool empty = withoutBlanks(text).empty();
            const std::optional<Currency> amount = empty ? std::nullopt : amountCell(text);
            if (!empty && !amount) {
                plan.refusal = where(r, c) + "« " + excerpt(text) +
                               " » n'est pas un montant : au plus neuf chiffres, une virgule et deux décimales.";
                break;
            }
            plan.amounts.push_back({line, month, amount});
        }
    }
    if (!plan.refusal)
        plan.refusal = grid.totalRefusal(plan.amounts);
    if (plan.refusal)
        plan.amounts.clear();
    return plan;
}

}  // namespace ondrel
