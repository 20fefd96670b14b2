#include "actuals/budget_actuals.h"

#include "account/account_number.h"
#include "budget/budget_key.h"
#include "actuals/actuals.h"
#include "data/suite_files.h"

namespace ondrel {

namespace {

// The accounts under a line: its own, or those that begin with a grouping line's prefix.
bool covers(const std::string& lineAccount, const std::string& account) {
    if (!isGroupingAccount(lineAccount))
        return account == lineAccount;
    const std::string prefix = significantPrefix(lineAccount);
    return account.rfind(prefix, 0) == 0;
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
    for (auto& line : sheet.lines) {
        line.actual.assign(n, Currency::zero());
        line.actualTotal = Currency::zero();
        for (const auto& [account, periods] : sheet.actuals)
            if (covers(line.account, account))
                for (std::size_t p = 0; p < n; ++p) {
                    line.actual[p] += periods[p];
                    line.actualTotal += periods[p];
                }
    }
    const std::size_t budgeted = sheet.lines.size();
    for (const auto& [account, periods] : sheet.actuals) {
        bool covered = false;
        for (std::size_t l = 0; l < budgeted && !covered; ++l)
            covered = covers(sheet.lines[l].account, account);
        if (covered)
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
