#include "actuals/actuals.h"

#include <cstdlib>
#include <unordered_map>

#include "account/account_number.h"
#include "periods/period_label.h"
#include "budget/budget_key.h"
#include "screen/utf8_text.h"
#include "sheets/budget_sheet.h"
#include "actuals/fec_reader.h"

namespace ondrel {

namespace {

constexpr const char* kYears[] = {"N", "N+1"};
constexpr std::size_t kMaxFaultsShown = 100;

struct Place {
    std::string year;
    std::size_t index;
    std::size_t yearLength;   // the periods of that year
};

// The period of N or N+1 that a month falls in.
std::map<int, Place> placesOfMonths(Database& db, const std::string& entity) {
    std::map<int, Place> places;
    for (const char* year : kYears) {
        const auto periods = fiscalPeriods(db, entity, year);
        for (std::size_t i = 0; i < periods.size(); ++i)
            places.emplace(periods[i].year * 100 + periods[i].month, Place{year, i, periods.size()});
    }
    return places;
}

// year → account → sums a period: as many as the file has accounts, whatever its length.
using Sums = std::map<std::string, std::map<std::string, std::vector<std::int64_t>>>;

// What a posting or a sum beyond the largest amount is told.
std::string beyondLargest() {
    return " dépasse " + formatAmount(Currency::fromHundredths(kLargestAmountHundredths)) +
           ", le plus grand montant que l'écran, les feuilles et le rapport tiennent";
}

// Why a posting of class 6 or 7 cannot be counted, or nothing.
std::optional<std::string> postingFault(const Posting& p, const std::map<int, Place>& places,
                                        const std::string& entity) {
    if (p.account.size() > kAccountLength || !allDigits(p.account))
        return "le compte « " + excerpt(p.account) + " » n'est pas un compte de dix chiffres au plus";
    if (!places.count(p.year * 100 + p.month))
        return "la date " + std::to_string(p.month) + "/" + std::to_string(p.year) +
               " n'est dans aucun des exercices N et N+1 de l'entité " + entity;
    if (std::abs(p.debitMinusCredit) > kLargestAmountHundredths)
        return "le montant" + beyondLargest();
    return std::nullopt;
}

// Each year the file covers replaces that year's actuals: the accounts the file no
// longer has go, the others are written over.
void writeActuals(Database& db, const std::string& entity, const Sums& sums, ActualsImport& report) {
    db.createFile(kActualsFile);
    db.inOneTransaction([&] {
        for (const auto& [year, accounts] : sums) {
            const std::string prefix = yearCodeFor(year) + entity;
            for (const std::string& key : db.keys(kActualsFile))
                if (key.rfind(prefix, 0) == 0 && !accounts.count(key.substr(prefix.size())))
                    db.remove(kActualsFile, key);
            for (const auto& [account, periods] : accounts) {
                std::vector<std::string> indexes, amounts;
                for (std::size_t i = 0; i < periods.size(); ++i)
                    if (periods[i] != 0) {
                        indexes.push_back(std::to_string(i));
                        amounts.push_back(std::to_string(periods[i]));
                    }
                db.write(kActualsFile, db.makeRecord(kActualsFile, prefix + account, {indexes, amounts}));
            }
            report.accountsByYear[year] = static_cast<int>(accounts.size());
        }
    });
}

}  // namespace

ActualsImport importActuals(Database& db, const std::string& entity, std::istream& fec, ActualsRun run) {
    if (!db.read("ASSOCIATION", entity))
        throw std::runtime_error("l'entité " + entity + " n'existe pas");
    const auto places = placesOfMonths(db, entity);
    Sums sums;
    ActualsImport report;
    std::size_t shown = 0;
    auto refuse = [&](const std::string& why) {
        if (++shown <= kMaxFaultsShown)
            report.faults.push_back(why);
    };
    // Each account of the file is completed once, not at each of its postings.
    std::unordered_map<std::string, std::string> completed;
    readFec(fec, [&](const Posting& p) {
        ++report.postings;
        if (p.account[0] != '6' && p.account[0] != '7')
            return;
        const auto where = [&] { return "ligne " + std::to_string(p.line) + " : "; };
        if (const auto fault = postingFault(p, places, entity))
            return refuse(where() + *fault);
        const Place& place = places.at(p.year * 100 + p.month);
        auto known = completed.find(p.account);
        if (known == completed.end())
            known = completed.emplace(p.account, completeWithZeros(p.account)).first;
        auto& periods = sums[place.year][known->second];
        periods.resize(place.yearLength);
        std::int64_t& sum = periods[place.index];
        sum += p.account[0] == '6' ? p.debitMinusCredit : -p.debitMinusCredit;
        if (std::abs(sum) > kLargestAmountHundredths)
            return refuse(where() + "la somme du compte " + p.account + " en " + periodLabel(p.month, p.year) +
                          beyondLargest());
        ++report.counted;
    }, refuse);
    if (shown > kMaxFaultsShown)
        report.faults.push_back("et " + std::to_string(shown - kMaxFaultsShown) + " autre(s) ligne(s) refusée(s)");
    if (report.faults.empty() && report.counted == 0)
        report.faults.push_back("le fichier n'a aucune écriture de classe 6 ou 7");
    if (!report.faults.empty())
        return report;
    if (run == ActualsRun::CheckOnly) {
        for (const auto& [year, accounts] : sums)
            report.accountsByYear[year] = static_cast<int>(accounts.size());
        return report;
    }
    writeActuals(db, entity, sums, report);
    return report;
}

std::map<std::string, std::vector<Currency>> readActuals(Database& db, const std::string& entity,
                                                         const std::string& year) {
    std::map<std::string, std::vector<Currency>> actuals;
    const std::size_t n = fiscalPeriods(db, entity, year).size();
    const std::string prefix = yearCodeFor(year) + entity;
    // The year's records in one trip, not a trip a key: a server would be asked
    // thousands of times for a large chart.
    db.forEachRecord(kActualsFile, [&](const Record& record) {
        auto& periods = actuals[record.key().substr(prefix.size())];
        periods.assign(n, Currency::zero());
        if (record.fields().size() < 2)
            return;
        const auto& indexes = record.fields()[0];
        const auto& amounts = record.fields()[1];
        for (std::size_t v = 0; v < indexes.size() && v < amounts.size(); ++v) {
            const std::size_t index = std::stoul(indexes[v]);
            if (index < n)
                periods[index] = Currency::fromHundredths(std::stoll(amounts[v]));
        }
    }, prefix);
    return actuals;
}

}  // namespace ondrel
