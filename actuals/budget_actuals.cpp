#include "actuals/budget_actuals.h"

#include <set>

#include "account/account_number.h"
#include "budget/budget_key.h"
#include "actuals/actuals.h"
#include "data/suite_files.h"

namespace ondrel {

namespace {

// The actuals of the accounts under a line: its own, or those that begin with a grouping
// line's prefix, found in the map by their range rather than one by one.
template <class Visit>
void forEachCovered(const std::map<std::string, std::vector<Currency>>& actuals, const std::string& lineAccount,
                    Visit&& visit) {
    if (!isGroupingAccount(lineAccount)) {
        if (const auto it = actuals.find(lineAccount); it != actuals.end())
            visit(it->second);
        return;
    }
    const std::string prefix = significantPrefix(lineAccount);
    for (auto it = actuals.lower_bound(prefix); it != actuals.end() && it->first.starts_with(prefix); ++it)
        visit(it->second);
}

// Whether a line covers the account: a line of its own, or a grouping line above it.
bool covered(const std::set<std::string>& lineAccounts, const std::set<std::string>& groupingPrefixes,
             const std::string& account) {
    if (lineAccounts.count(account))
        return true;
    for (std::size_t length = 1; length < account.size(); ++length)
        if (groupingPrefixes.count(account.substr(0, length)))
            return true;
    return false;
}

std::string chartLabel(Database& db, const std::string& entity, const std::string& account) {
    const auto record = db.read("PLANCOMPTABLE", chartKey(entity, account));
    return record ? record->value(1, 1).substr(0, kLabelLength) : std::string();
}

}  // namespace

void compareWithActuals(Database& db, BudgetSheet& sheet) {
    sheet.withActuals = true;
    sheet.actuals = readActuals(db, sheet.entity, sheet.year);
    const std::size_t n = sheet.periodLabels.size();
    std::set<std::string> lineAccounts, groupingPrefixes;
    for (auto& line : sheet.lines) {
        line.actual.assign(n, Currency::zero());
        line.actualTotal = Currency::zero();
        forEachCovered(sheet.actuals, line.account, [&](const std::vector<Currency>& periods) {
            for (std::size_t p = 0; p < n; ++p) {
                line.actual[p] += periods[p];
                line.actualTotal += periods[p];
            }
        });
        lineAccounts.insert(line.account);
        if (isGroupingAccount(line.account))
            groupingPrefixes.insert(significantPrefix(line.account));
    }
    for (const auto& [account, periods] : sheet.actuals) {
        if (covered(lineAccounts, groupingPrefixes, account))
            continue;
        BudgetSheet::Line line;
        line.account = account;
        line.label = chartLabel(db, sheet.entity, account);
        line.periods.resize(n);
        line.actual = periods;
        line.budgeted = false;
        for (const Currency& c : periods)
            line.actualTotal += c;
        sheet.lines.push_back(std::move(line));
    }
}

std::string yearChangeStamp(Database& db, const std::string& entity, const std::string& year) {
    const std::string prefix = yearCodeFor(year) + entity;
    std::string stamp;
    for (const char* file : {"BUDGET", kActualsFile, kNotesFile, kLocksFile, kVersionsFile})
        stamp += db.changeStamp(file, prefix) + " ";
    return stamp;
}

}  // namespace ondrel
