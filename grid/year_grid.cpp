#include "grid/year_grid.h"

#include <algorithm>

#include "account/account_number.h"

#include "periods/even_spread.h"
#include "sheets/percentage.h"
#include "actuals/profiles.h"

namespace ondrel {

namespace {

Currency sumOf(const std::vector<std::optional<Currency>>& periods) {
    Currency sum = Currency::zero();
    for (const auto& amount : periods)
        sum += amount.value_or(Currency::zero());
    return sum;
}

}  // namespace

YearGrid::YearGrid(const BudgetSheet& sheet)
    : entity_(sheet.entity), year_(sheet.year), periodLabels_(sheet.periodLabels), withActuals_(!sheet.actuals.empty()) {
    for (const auto& line : sheet.lines)
        if (line.budgeted)
            lines_.push_back({line.account, line.label, line.key, line.periods, line.revision, false, line.actual,
                              line.actualTotal, line.note});
    read_ = lines_;
}

Currency YearGrid::total(std::size_t row) const {
    return sumOf(lines_.at(row).periods);
}

YearGrid::Totals YearGrid::totals() const {
    const std::size_t n = periodLabels_.size();
    Totals t{std::vector<Currency>(n), std::vector<Currency>(n), std::vector<Currency>(n), {}, {}, {}};
    for (const auto& line : lines_) {
        auto& sums = line.account.rfind('7', 0) == 0 ? t.produits : t.charges;
        for (std::size_t p = 0; p < n && p < line.periods.size(); ++p)
            sums[p] += line.periods[p].value_or(Currency::zero());
    }
    for (std::size_t p = 0; p < n; ++p) {
        t.result[p] = t.produits[p] - t.charges[p];
        t.chargesTotal += t.charges[p];
        t.produitsTotal += t.produits[p];
    }
    t.resultTotal = t.produitsTotal - t.chargesTotal;
    return t;
}

bool YearGrid::changed() const {
    for (const auto& line : lines_)
        if (line.changed)
            return true;
    return false;
}

// A line made in the grid is a change until it is saved; one read is changed while its
// months, label or key differ from what was read.
bool YearGrid::differsFromRead(std::size_t row) const {
    if (row >= read_.size())
        return true;
    return !lines_[row].sameEntry(read_[row]);
}

void YearGrid::record(Step step) {
    steps_.resize(applied_);
    steps_.push_back(std::move(step));
    ++applied_;
}

void YearGrid::change(const std::vector<std::size_t>& rows, const std::function<void(Line&)>& edit,
                      std::optional<std::size_t> period) {
    Step step;
    step.linesBefore = step.linesAfter = lines_.size();
    for (std::size_t row : rows) {
        step.before.emplace_back(row, lines_.at(row));
        edit(lines_[row]);
        lines_[row].changed = differsFromRead(row);
        step.after.emplace_back(row, lines_[row]);
    }
    bool same = true;
    for (std::size_t i = 0; i < step.before.size() && same; ++i) {
        same = step.before[i].second.sameEntry(step.after[i].second);
    }
    if (same || rows.empty())
        return;   // nothing to undo
    step.where = {rows.front(), period};
    record(std::move(step));
}

void YearGrid::setAmounts(const std::vector<Amount>& amounts) {
    std::vector<std::size_t> rows;
    for (const auto& a : amounts)
        if (std::find(rows.begin(), rows.end(), a.row) == rows.end())
            rows.push_back(a.row);
    change(rows, [&](Line& line) {
        for (const auto& a : amounts)
            if (&lines_.at(a.row) == &line)
                line.periods.at(a.period) = a.amount;
    }, amounts.empty() ? std::nullopt : std::optional<std::size_t>(amounts.front().period));
}

std::optional<std::string> YearGrid::totalRefusal(const std::vector<Amount>& amounts) const {
    std::vector<std::size_t> rows;
    for (const auto& a : amounts)
        if (std::find(rows.begin(), rows.end(), a.row) == rows.end())
            rows.push_back(a.row);
    for (std::size_t row : rows) {
        Line line = lines_.at(row);
        for (const auto& a : amounts)
            if (a.row == row)
                line.periods.at(a.period) = a.amount;
        if (auto refusal = totalRefusal(line))
            return refusal;
    }
    return std::nullopt;
}

std::optional<std::string> YearGrid::totalRefusal(const Line& line) {
    const Currency largest = Currency::fromHundredths(kLargestAmountHundredths);
    const Currency sum = sumOf(line.periods);
    if (sum <= largest)
        return std::nullopt;
    return "Le total du compte " + line.account + " passerait à " + formatAmount(sum, Grouping::Thousands) +
           " : une ligne tient en " + formatAmount(largest, Grouping::Thousands) + " au plus.";
}

std::optional<std::string> YearGrid::changeWithin(const std::vector<std::size_t>& rows, const std::function<void(Line&)>& edit,
                                                  std::optional<std::size_t> period) {
    for (std::size_t row : rows) {
        Line line = lines_.at(row);
        edit(line);
        if (auto refusal = totalRefusal(line))
            return refusal;
    }
    change(rows, edit, period);
    return std::nullopt;
}

void YearGrid::setLabel(std::size_t row, const std::string& label) {
    change({row}, [&](Line& line) { line.label = label; });
}

void YearGrid::setKey(std::size_t row, const std::string& key) {
    change({row}, [&](Line& line) { line.key = key; });
}

void YearGrid::setNote(std::size_t row, const std::string& note) {
    change({row}, [&](Line& line) { line.note = note; });
}

std::optional<std::string> YearGrid::newLineRefusal(const std::string& account) const {
    const std::string prefix = significantPrefix(account);
    const auto above = accountsAbove(account);
    for (const auto& line : lines_) {
        if (line.account == account)
            return "Le compte " + account + " a déjà sa ligne dans ce budget.";
        if (std::find(above.begin(), above.end(), line.account) != above.end())
            return std::string("Un compte de regroupement a déjà été validé - création impossible.");
        if (line.account.rfind(prefix, 0) == 0)
            return std::string("Un compte budgétaire de classe inférieure a déjà été validé - création impossible.");
    }
    return std::nullopt;
}

std::size_t YearGrid::addLine(Line line) {
    Step step;
    step.linesBefore = lines_.size();
    line.readAt = 0;
    line.changed = true;
    line.periods.resize(periodLabels_.size());
    if (withActuals_) {
        line.actual.assign(periodLabels_.size(), Currency::zero());
        line.actualTotal = Currency::zero();
    }
    lines_.push_back(std::move(line));
    step.linesAfter = lines_.size();
    step.after.emplace_back(lines_.size() - 1, lines_.back());
    step.where = {lines_.size() - 1, std::nullopt};
    record(std::move(step));
    return lines_.size() - 1;
}

void YearGrid::setAmount(std::size_t row, std::size_t period, std::optional<Currency> amount) {
    change({row}, [&](Line& line) { line.periods.at(period) = amount; }, period);
}

std::optional<std::string> YearGrid::fillRight(std::size_t row, std::size_t period) {
    return changeWithin({row}, [&](Line& line) {
        for (std::size_t p = period + 1; p < line.periods.size(); ++p)
            line.periods[p] = line.periods.at(period);
    }, period);
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

std::optional<std::string> YearGrid::raise(const std::vector<std::size_t>& rows, std::int64_t percentHundredths) {
    return changeWithin(rows, [&](Line& line) {
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

std::optional<YearGrid::Place> YearGrid::undo() {
    if (!canUndo())
        return std::nullopt;
    const Step& step = steps_[--applied_];
    for (const auto& [row, line] : step.before)
        lines_[row] = line;
    lines_.resize(step.linesBefore);
    return step.where.row < lines_.size() ? std::optional<Place>(step.where) : std::nullopt;
}

std::optional<YearGrid::Place> YearGrid::redo() {
    if (!canRedo())
        return std::nullopt;
    const Step& step = steps_[applied_++];
    lines_.resize(step.linesAfter);
    for (const auto& [row, line] : step.after)
        lines_[row] = line;
    return step.where;
}

std::vector<std::string> YearGrid::readAgain(const BudgetSheet& stored) {
    YearGrid fresh(stored);
    std::vector<std::string> gaveWay;
    for (const Line& mine : lines_) {
        if (!mine.changed)
            continue;
        const auto theirs = std::find_if(fresh.lines_.begin(), fresh.lines_.end(),
                                         [&](const Line& l) { return l.account == mine.account; });
        const std::int64_t storedAt = theirs == fresh.lines_.end() ? 0 : theirs->readAt;
        if (storedAt != mine.readAt) {
            gaveWay.push_back(mine.account);
        } else if (theirs == fresh.lines_.end()) {
            fresh.lines_.push_back(mine);
        } else {
            const auto actual = theirs->actual;
            const auto actualTotal = theirs->actualTotal;
            *theirs = mine;
            theirs->actual = actual;
            theirs->actualTotal = actualTotal;
        }
    }
    *this = std::move(fresh);
    for (std::size_t row = 0; row < lines_.size(); ++row)
        lines_[row].changed = differsFromRead(row);
    return gaveWay;
}

std::vector<BudgetRow> YearGrid::changedRows() const {
    std::vector<BudgetRow> rows;
    for (std::size_t r = 0; r < lines_.size(); ++r) {
        const Line& line = lines_[r];
        if (!line.changed)
            continue;
        BudgetRow row{static_cast<int>(r + 1), {entity_, year_, line.account, line.label, line.key, total(r), {}}, line.readAt,
                      line.note};
        for (std::size_t p = 0; p < line.periods.size(); ++p)
            if (line.periods[p])
                row.line.periods.emplace_back(static_cast<int>(p), *line.periods[p]);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace ondrel
