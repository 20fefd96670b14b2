#include "grid/year_grid.h"

#include "periods/even_spread.h"
#include "tools/percentage.h"
#include "tools/profiles.h"

namespace ondrel {

YearGrid::YearGrid(const BudgetSheet& sheet)
    : entity_(sheet.entity), year_(sheet.year), periodLabels_(sheet.periodLabels), withActuals_(!sheet.actuals.empty()) {
    for (const auto& line : sheet.lines)
        if (line.budgeted)
            lines_.push_back({line.account, line.label, line.key, line.periods, line.revision, false, line.actual,
                              line.actualTotal});
    read_ = lines_;
}

Currency YearGrid::total(std::size_t row) const {
    Currency sum = Currency::zero();
    for (const auto& amount : lines_.at(row).periods)
        sum += amount.value_or(Currency::zero());
    return sum;
}

bool YearGrid::changed() const {
    for (const auto& line : lines_)
        if (line.changed)
            return true;
    return false;
}

void YearGrid::change(const std::vector<std::size_t>& rows, const std::function<void(Line&)>& edit) {
    Step step;
    for (std::size_t row : rows) {
        step.before.emplace_back(row, lines_.at(row));
        Line& line = lines_[row];
        edit(line);
        line.changed = line.periods != read_[row].periods;
        step.after.emplace_back(row, line);
    }
    bool same = true;
    for (std::size_t i = 0; i < step.before.size() && same; ++i)
        same = step.before[i].second.periods == step.after[i].second.periods;
    if (same)
        return;   // nothing to undo
    steps_.resize(applied_);
    steps_.push_back(std::move(step));
    ++applied_;
}

void YearGrid::setAmount(std::size_t row, std::size_t period, std::optional<Currency> amount) {
    change({row}, [&](Line& line) { line.periods.at(period) = amount; });
}

void YearGrid::fillRight(std::size_t row, std::size_t period) {
    change({row}, [&](Line& line) {
        for (std::size_t p = period + 1; p < line.periods.size(); ++p)
            line.periods[p] = line.periods.at(period);
    });
}

void YearGrid::setTotal(std::size_t row, Currency total, Spread spread) {
    const Currency before = this->total(row);
    change({row}, [&](Line& line) {
        const std::size_t n = line.periods.size();
        if (spread == Spread::Evenly || before == Currency::zero()) {
            const auto even = spreadEvenly(total, static_cast<int>(n));
            for (std::size_t p = 0; p < n; ++p)
                line.periods[p] = even[p];
            return;
        }
        // Each month scaled to the new total in whole cents; the cents that the cutting
        // leaves go to the last month that had an amount.
        Currency given = Currency::zero();
        std::optional<std::size_t> last;
        for (std::size_t p = 0; p < n; ++p) {
            if (!line.periods[p])
                continue;
            const std::int64_t cents =
                line.periods[p]->floorHundredths() * total.floorHundredths() / before.floorHundredths();
            line.periods[p] = Currency::fromHundredths(cents);
            given += *line.periods[p];
            last = p;
        }
        if (last)
            *line.periods[*last] += total - given;
    });
}

void YearGrid::spreadByProfile(std::size_t row, const std::vector<std::int64_t>& shares) {
    const Currency total = this->total(row);
    change({row}, [&](Line& line) {
        const auto amounts = ondrel::spreadByProfile(total, shares);
        for (std::size_t p = 0; p < line.periods.size() && p < amounts.size(); ++p)
            line.periods[p] = amounts[p];
    });
}

void YearGrid::raise(const std::vector<std::size_t>& rows, std::int64_t percentHundredths) {
    change(rows, [&](Line& line) {
        for (auto& amount : line.periods)
            if (amount)
                amount = raisedBy(*amount, percentHundredths);
    });
}

void YearGrid::copyMonths(std::size_t row, const std::vector<std::optional<Currency>>& other) {
    change({row}, [&](Line& line) {
        for (std::size_t p = 0; p < line.periods.size(); ++p)
            line.periods[p] = p < other.size() ? other[p] : std::nullopt;
    });
}

void YearGrid::undo() {
    if (!canUndo())
        return;
    for (const auto& [row, line] : steps_[--applied_].before)
        lines_[row] = line;
}

void YearGrid::redo() {
    if (!canRedo())
        return;
    for (const auto& [row, line] : steps_[applied_++].after)
        lines_[row] = line;
}

std::vector<BudgetRow> YearGrid::changedRows() const {
    std::vector<BudgetRow> rows;
    for (std::size_t r = 0; r < lines_.size(); ++r) {
        const Line& line = lines_[r];
        if (!line.changed)
            continue;
        BudgetRow row{static_cast<int>(r + 1), {entity_, year_, line.account, line.label, line.key, total(r), {}}, line.readAt};
        for (std::size_t p = 0; p < line.periods.size(); ++p)
            if (line.periods[p])
                row.line.periods.emplace_back(static_cast<int>(p), *line.periods[p]);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace ondrel
