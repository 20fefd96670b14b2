#include "versions/landing.h"

#include <cstdio>
#include <numeric>
#include <stdexcept>

#include "actuals/budget_actuals.h"
#include "actuals/profiles.h"
#include "periods/even_spread.h"

namespace ondrel {

namespace {

// The index of the period of "AAAA-MM" in the year.
std::size_t closedPeriod(Database& db, const std::string& entity, const std::string& year, const std::string& through) {
    const auto periods = fiscalPeriods(db, entity, year);
    for (std::size_t p = 0; p < periods.size(); ++p)
        if (through == monthCode(periods[p]))
            return p;
    throw std::runtime_error("Le mois « " + through + " » n'est pas un mois de l'exercice " + year + " de l'entité " +
                             entity + " (écrivez-le AAAA-MM).");
}

// The shares of the months after the closed one, scaled up to the whole year; none
// when the profile gives them nothing.
std::optional<std::vector<std::int64_t>> sharesAfter(const Profile& profile, std::size_t closed) {
    std::vector<std::int64_t> left(profile.shares.begin() + static_cast<std::ptrdiff_t>(closed + 1), profile.shares.end());
    const std::int64_t sum = std::accumulate(left.begin(), left.end(), std::int64_t{0});
    if (sum == 0)
        return std::nullopt;
    std::int64_t given = 0;
    for (auto& share : left) {
        share = share * kWholeYear / sum;
        given += share;
    }
    left.back() += kWholeYear - given;
    return left;
}

// The months after the closed one: the budget's, or the remainder spread.
std::vector<Currency> monthsAfter(const BudgetSheet::Line& line, std::size_t closed, const Remainder& remainder,
                                  const std::optional<std::vector<std::int64_t>>& shares) {
    const std::size_t n = line.periods.size(), left = n - closed - 1;
    std::vector<Currency> months;
    if (remainder.kind == Remainder::Kind::Budget) {
        for (std::size_t p = closed + 1; p < n; ++p)
            months.push_back(line.periods[p].value_or(Currency::zero()));
        return months;
    }
    Currency toDate = Currency::zero();
    for (std::size_t p = 0; p <= closed; ++p)
        toDate += line.actual[p];
    Currency rest = line.total - toDate;
    if (rest < Currency::zero() && !remainder.negativeAllowed)
        rest = Currency::zero();
    if (shares)
        return spreadByProfile(rest, *shares);
    return spreadEvenly(rest, static_cast<int>(left));
}

}  // namespace

BudgetSheet landingSheet(Database& db, const std::string& entity, const std::string& year, const std::string& through,
                         const Remainder& remainder) {
    BudgetSheet sheet = readBudgetSheet(db, entity, year);
    const std::size_t closed = closedPeriod(db, entity, year, through);
    std::optional<std::vector<std::int64_t>> shares;
    if (remainder.kind == Remainder::Kind::Profile) {
        const auto profile = readProfile(db, entity, remainder.profile);
        if (!profile)
            throw std::runtime_error("L'entité " + entity + " n'a pas de profil « " + remainder.profile + " ».");
        shares = sharesAfter(*profile, closed);
    }
    compareWithActuals(db, sheet);
    bool anyActual = false;
    for (const auto& [account, periods] : sheet.actuals)
        for (std::size_t p = 0; p <= closed; ++p)
            anyActual = anyActual || periods[p] != Currency::zero();
    if (!anyActual)
        throw std::runtime_error("L'exercice " + year + " de l'entité " + entity + " n'a aucune écriture réalisée jusqu'à " +
                                 sheet.periodLabels[closed] + " : importez le FEC avant l'atterrissage.");
    const std::size_t n = sheet.periodLabels.size();
    for (auto& line : sheet.lines) {
        std::vector<Currency> after = closed + 1 < n ? monthsAfter(line, closed, remainder, shares) : std::vector<Currency>{};
        line.total = Currency::zero();
        for (std::size_t p = 0; p < n; ++p) {
            const Currency amount = p <= closed ? line.actual[p] : after[p - closed - 1];
            line.periods[p] = amount;
            line.total += amount;
        }
        line.budgeted = true;
    }
    sheet.withActuals = false;
    sheet.actuals.clear();
    return sheet;
}

std::string landingDescription(const std::string& closedMonth, const Remainder& remainder) {
    std::string text = "Réalisé jusqu'à " + closedMonth + ", puis ";
    switch (remainder.kind) {
    case Remainder::Kind::Budget: text += "le budget"; break;
    case Remainder::Kind::Even: text += "le reste du budget réparti également"; break;
    case Remainder::Kind::Profile: text += "le reste du budget selon le profil « " + remainder.profile + " »"; break;
    }
    if (remainder.kind != Remainder::Kind::Budget && remainder.negativeAllowed)
        text += ", dépassements déduits";
    return text;
}

Version saveLanding(Database& db, const std::string& entity, const std::string& year, const std::string& through,
                    const Remainder& remainder, const std::string& name) {
    const BudgetSheet sheet = landingSheet(db, entity, year, through, remainder);
    const std::string closedMonth = sheet.periodLabels[closedPeriod(db, entity, year, through)];
    return saveSheet(db, sheet, name, VersionKind::Landing, landingDescription(closedMonth, remainder));
}

}  // namespace ondrel
