#include "group/group_view.h"

#include <algorithm>
#include <map>
#include <set>

#include "account/account_number.h"
#include "actuals/budget_actuals.h"
#include "versions/versions.h"

namespace ondrel {

namespace {

constexpr const char* kWorkingBudget = "Budget de travail";

// A calendar month as a number that sorts: year × 12 + month.
int monthNumber(const Period& p) {
    return p.year * 12 + p.month - 1;
}

std::optional<Version> versionOfBasis(Database& db, const std::string& entity, const std::string& year,
                                      GroupBasis basis, bool& validated) {
    const auto versions = listVersions(db, entity, year);
    const Version* chosen = nullptr;
    for (const auto& v : versions) {
        validated = validated || v.locksYear;
        if (basis == GroupBasis::Validated && v.validated && (!chosen || !chosen->locksYear))
            chosen = &v;
        if (basis == GroupBasis::Landing && v.kind == VersionKind::Landing)
            chosen = &v;
    }
    return chosen ? std::optional<Version>(*chosen) : std::nullopt;
}

// A member's budget on the basis asked, with its actuals.
BudgetSheet memberSheet(Database& db, GroupMember& member, const std::string& year, GroupBasis basis) {
    const auto version = versionOfBasis(db, member.code, year, basis, member.validated);
    member.fallsBack = basis != GroupBasis::Working && !version;
    member.shown = version ? version->name : kWorkingBudget;
    BudgetSheet sheet = version ? readVersion(db, member.code, year, *version) : readBudgetSheet(db, member.code, year);
    compareWithActuals(db, sheet);
    return sheet;
}

// The row that takes an account: the highest grouping line above it that some member
// has, or its own.
std::string rowAccount(const std::set<std::string>& groupingLines, const std::string& account) {
    std::string row = account;
    for (const auto& above : accountsAbove(account))
        if (groupingLines.count(above))
            row = above;
    return row;
}

// The label of a class, sub-class or sub-sub-class above the account, nearest first.
std::string classLabel(Database& db, const std::string& account) {
    const std::string prefix = significantPrefix(account);
    for (std::size_t digits = std::min<std::size_t>(3, prefix.size()); digits >= 1; --digits) {
        const std::string code = prefix.substr(0, digits);
        const char* file = digits == 1 ? "CLASSE" : digits == 2 ? "SCLASSE" : "SSCLASSE";
        if (const auto record = db.read(file, code))
            return record->value(1, 1);
    }
    return {};
}

std::string chartLabel(Database& db, const std::string& entity, const std::string& account) {
    if (isGroupingAccount(account))
        return {};
    const auto record = db.read("PLANCOMPTABLE", chartKey(entity, account));
    return record ? record->value(1, 1).substr(0, kLabelLength) : std::string();
}

bool under(const std::string& account, const std::string& flowAccount) {
    return account.starts_with(significantPrefix(flowAccount));
}

bool eliminated(const Group& group, const std::string& account) {
    return std::any_of(group.flows.begin(), group.flows.end(), [&](const Flow& f) {
        return under(account, f.charge) || under(account, f.produit);
    });
}

void addTo(std::vector<Currency>& sums, const std::vector<Currency>& amounts) {
    for (std::size_t i = 0; i < amounts.size(); ++i)
        sums[i] += amounts[i];
}

class ViewBuilder {
public:
    ViewBuilder(Database& db, const Group& group, GroupView& view) : db_(db), group_(group), view_(view) {}

    void build(GroupBasis basis) {
        readMembers(basis);
        placeMonths();
        placeLines();
        fillRows();
        addTotals();
        checkFlows();
    }

private:
    void readMembers(GroupBasis basis) {
        for (const auto& code : group_.entities) {
            GroupMember member{code, {}, {}, false, false, false, {}};
            if (const auto record = db_.read("ASSOCIATION", code))
                member.name = record->value(1, 1);
            sheets_.push_back(memberSheet(db_, member, view_.year, basis));
            periods_.push_back(fiscalPeriods(db_, code, view_.year));
            member.withActuals = !sheets_.back().actuals.empty();
            view_.withActuals = view_.withActuals || member.withActuals;
            view_.members.push_back(std::move(member));
        }
    }

    void placeMonths() {
        std::map<int, Period> months;
        for (const auto& periods : periods_)
            for (const Period& p : periods)
                months.emplace(monthNumber(p), p);
        for (auto& [number, period] : months) {
            column_[number] = view_.months.size();
            view_.months.push_back(period);
        }
        for (const auto& periods : periods_)
            view_.calendarMonths = view_.calendarMonths || periods.size() != months.size();
    }

    void placeLines() {
        const std::size_t n = view_.months.size();
        for (std::size_t m = 0; m < sheets_.size(); ++m) {
            for (const auto& line : sheets_[m].lines) {
                MemberLine placed{line.account, line.label, std::vector<Currency>(n), std::vector<Currency>(n), line.budgeted};
                for (std::size_t p = 0; p < periods_[m].size(); ++p) {
                    const std::size_t c = column_.at(monthNumber(periods_[m][p]));
                    if (p < line.periods.size())
                        placed.months[c] = line.periods[p].value_or(Currency::zero());
                    if (p < line.actual.size())
                        placed.actualMonths[c] = line.actual[p];
                }
                if (isGroupingAccount(line.account))
                    groupingLines_.insert(line.account);
                view_.members[m].lines.push_back(std::move(placed));
            }
        }
    }

    void fillRows() {
        const std::size_t n = view_.months.size(), members = view_.members.size();
        std::map<std::string, GroupRow> rows;
        // The labels of the lines on the row's own account, member by member.
        std::map<std::string, std::vector<std::pair<std::string, std::string>>> labels;
        for (std::size_t m = 0; m < members; ++m) {
            for (std::size_t l = 0; l < sheets_[m].lines.size(); ++l) {
                const auto& line = sheets_[m].lines[l];
                const auto& placed = view_.members[m].lines[l];
                const std::string account = rowAccount(groupingLines_, line.account);
                auto [it, added] = rows.try_emplace(account);
                GroupRow& row = it->second;
                if (added) {
                    row.account = account;
                    row.byEntity.assign(members, Currency::zero());
                    row.months.assign(n, Currency::zero());
                    row.actualMonths.assign(n, Currency::zero());
                    row.comparedMonths.assign(n, Currency::zero());
                }
                row.byEntity[m] += line.total;
                row.total += line.total;
                row.actualTotal += line.actualTotal;
                row.budgeted = row.budgeted || line.budgeted;
                addTo(row.months, placed.months);
                addTo(row.actualMonths, placed.actualMonths);
                if (view_.members[m].withActuals)
                    addTo(row.comparedMonths, placed.months);
                if (line.account == account && !line.label.empty())
                    labels[account].emplace_back(view_.members[m].code, line.label);
            }
        }
        for (auto& [account, row] : rows) {
            nameRow(row, labels[account]);
            row.eliminated = eliminated(group_, account);
            view_.rows.push_back(std::move(row));
        }
    }

    // The reference entity's label, or its chart's, or the class's; the labels of all
    // where they differ.
    void nameRow(GroupRow& row, const std::vector<std::pair<std::string, std::string>>& labels) {
        const std::string& reference = view_.members.front().code;
        for (const auto& [code, label] : labels)
            if (code == reference)
                row.label = label;
        if (row.label.empty())
            row.label = chartLabel(db_, reference, row.account);
        if (row.label.empty())
            row.label = classLabel(db_, row.account);
        const bool differ = std::any_of(labels.begin(), labels.end(),
                                        [&](const auto& l) { return l.second != labels.front().second; });
        if (differ)
            for (const auto& [code, label] : labels)
                row.labels.push_back(code + " : " + label);
    }

    // The group's totals are those of a sheet of its rows, the eliminated ones left out.
    void addTotals() {
        BudgetSheet sheet;
        sheet.periodLabels.resize(view_.months.size());
        for (const auto& row : view_.rows) {
            if (row.eliminated) {
                view_.eliminated += row.total;
                continue;
            }
            BudgetSheet::Line line;
            line.account = row.account;
            for (const Currency& c : row.months)
                line.periods.emplace_back(c);
            line.total = row.total;
            sheet.lines.push_back(std::move(line));
            sheet.actuals.emplace(row.account, row.actualMonths);
        }
        view_.totals = totalsOf(db_, sheet);
    }

    void checkFlows() {
        for (const auto& flow : group_.flows) {
            FlowGap gap{flow.name, Currency::zero(), Currency::zero(), {}, {}};
            for (std::size_t m = 0; m < sheets_.size(); ++m) {
                Currency charges = Currency::zero(), produits = Currency::zero();
                for (const auto& line : sheets_[m].lines) {
                    if (under(line.account, flow.charge))
                        charges += line.total;
                    if (under(line.account, flow.produit))
                        produits += line.total;
                }
                const std::string& code = view_.members[m].code;
                if (charges != Currency::zero())
                    gap.chargesByEntity.emplace_back(code, charges);
                if (produits != Currency::zero())
                    gap.produitsByEntity.emplace_back(code, produits);
                gap.charges += charges;
                gap.produits += produits;
            }
            if (gap.charges != gap.produits)
                view_.flowGaps.push_back(std::move(gap));
        }
    }

    Database& db_;
    const Group& group_;
    GroupView& view_;
    std::vector<BudgetSheet> sheets_;
    std::vector<std::vector<Period>> periods_;
    std::map<int, std::size_t> column_;   // month number → column
    std::set<std::string> groupingLines_;
};

std::string amountsByEntity(const std::vector<std::pair<std::string, Currency>>& amounts) {
    std::string text;
    for (const auto& [code, amount] : amounts)
        text += (text.empty() ? "" : " ; ") + code + " : " + formatAmount(amount, Grouping::Thousands);
    return text.empty() ? std::string() : " (" + text + ")";
}

}  // namespace

GroupView readGroupView(Database& db, const Group& group, const std::string& year, GroupBasis basis) {
    if (group.entities.empty())
        throw std::runtime_error("Le groupe « " + group.name + " » ne réunit aucune entité.");
    GroupView view{group.name, year, basis, {}, {}, false, {}, {}, Currency::zero(), false, {}};
    ViewBuilder(db, group, view).build(basis);
    return view;
}

std::optional<std::size_t> monthIndex(const GroupView& view, const std::string& yearMonth) {
    for (std::size_t i = 0; i < view.months.size(); ++i)
        if (yearMonth == monthCode(view.months[i]))
            return i;
    return std::nullopt;
}

Currency toDate(const std::vector<Currency>& months, std::size_t through) {
    Currency sum = Currency::zero();
    for (std::size_t i = 0; i <= through && i < months.size(); ++i)
        sum += months[i];
    return sum;
}

std::string flowGapText(const FlowGap& gap) {
    const Currency difference = gap.charges > gap.produits ? gap.charges - gap.produits : gap.produits - gap.charges;
    return "Les deux côtés du flux « " + gap.flow + " » diffèrent de " + formatAmount(difference, Grouping::Thousands) +
           " : " + formatAmount(gap.charges, Grouping::Thousands) + " en charges" + amountsByEntity(gap.chargesByEntity) +
           ", " + formatAmount(gap.produits, Grouping::Thousands) + " en produits" +
           amountsByEntity(gap.produitsByEntity) + ".";
}

std::string calendarNote(const GroupView& view) {
    if (!view.calendarMonths)
        return {};
    return "Les exercices des entités ne couvrent pas les mêmes mois : leurs montants sont additionnés par mois civil, "
           "de " + view.months.front().label + " à " + view.months.back().label + ".";
}

std::string basisName(GroupBasis basis) {
    switch (basis) {
    case GroupBasis::Working: return kWorkingBudget;
    case GroupBasis::Validated: return "Version validée";
    case GroupBasis::Landing: return "Dernier atterrissage";
    }
    return {};
}

}  // namespace ondrel
