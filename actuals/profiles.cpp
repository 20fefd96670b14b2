#include "actuals/profiles.h"

#include <algorithm>
#include <stdexcept>

#include "account/account_number.h"
#include "actuals/actuals.h"
#include "sheets/budget_sheet.h"
#include "sheets/percentage.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {

std::string keyOf(const std::string& entity, const std::string& name) {
    return entity + name;
}

}  // namespace

std::optional<Profile> parseProfile(const std::string& name, const std::string& shares, std::string& why) {
    if (trimBlanks(name).empty()) {
        why = "un profil porte un nom";
        return std::nullopt;
    }
    Profile profile{trimBlanks(name), {}};
    std::int64_t sum = 0;
    std::size_t start = 0;
    while (start <= shares.size()) {
        const std::size_t end = std::min(shares.find(';', start), shares.size());
        const std::string cell = shares.substr(start, end - start);
        const auto share = parsePercentage(cell);
        if (!share || *share < 0) {
            why = "la part " + std::to_string(profile.shares.size() + 1) + " « " + excerpt(cell) +
                  " » n'est pas un pourcentage positif";
            return std::nullopt;
        }
        profile.shares.push_back(*share);
        sum += *share;
        start = end + 1;
    }
    if (sum != kWholeYear) {
        why = "les parts font " + percentageText(sum) + " de l'année, pas 100 %";
        return std::nullopt;
    }
    return profile;
}

std::optional<Profile> profileOf(const std::string& name, const std::vector<Currency>& months) {
    // A month below nothing (credit notes above the postings) takes no share.
    std::int64_t whole = 0;
    for (const Currency& month : months)
        whole += std::max<std::int64_t>(0, month.floorHundredths());
    if (whole <= 0)
        return std::nullopt;
    // Each share cut down to a hundredth of a percent; what the cutting leaves goes to
    // the last period, so that the shares add up to the whole year.
    Profile profile{name, {}};
    std::int64_t given = 0;
    for (const Currency& month : months) {
        profile.shares.push_back(std::max<std::int64_t>(0, month.floorHundredths()) * kWholeYear / whole);
        given += profile.shares.back();
    }
    profile.shares.back() += kWholeYear - given;
    return profile;
}

std::optional<Profile> profileFromActuals(Database& db, const std::string& entity, const std::string& year,
                                          const std::string& name, const std::string& accounts) {
    const std::string prefix = significantPrefix(completeWithZeros(accounts));
    std::vector<Currency> months(fiscalPeriods(db, entity, year).size(), Currency::zero());
    for (const auto& [account, periods] : readActuals(db, entity, year))
        if (account.rfind(prefix, 0) == 0)
            for (std::size_t p = 0; p < months.size() && p < periods.size(); ++p)
                months[p] += periods[p];
    return profileOf(name, months);
}

void saveProfile(Database& db, const std::string& entity, const Profile& profile) {
    std::vector<std::string> shares;
    for (std::int64_t s : profile.shares)
        shares.push_back(std::to_string(s));
    db.createFile(kProfilesFile);
    db.write(kProfilesFile, db.makeRecord(kProfilesFile, keyOf(entity, profile.name), {{profile.name}, shares}));
}

std::optional<Profile> readProfile(Database& db, const std::string& entity, const std::string& name) {
    if (!db.fileExists(kProfilesFile))
        return std::nullopt;
    const auto record = db.read(kProfilesFile, keyOf(entity, name));
    if (!record || record->fields().size() < 2)
        return std::nullopt;
    Profile profile{record->value(1, 1), {}};
    for (const std::string& share : record->fields()[1])
        profile.shares.push_back(std::stoll(share));
    return profile;
}

std::vector<std::string> profileNames(Database& db, const std::string& entity) {
    std::vector<std::string> names;
    if (!db.fileExists(kProfilesFile))
        return names;
    for (const std::string& key : db.keys(kProfilesFile))
        if (key.rfind(entity, 0) == 0)
            names.push_back(key.substr(entity.size()));
    return names;
}

std::vector<Currency> spreadByProfile(Currency total, const std::vector<std::int64_t>& shares) {
    std::vector<Currency> amounts;
    Currency given = Currency::zero();
    for (std::int64_t share : shares) {
        amounts.push_back(Currency::fromHundredths(total.floorHundredths() * share / kWholeYear));
        given += amounts.back();
    }
    if (!amounts.empty())
        amounts.back() += total - given;
    return amounts;
}

Profile profileFor(Database& db, const std::string& entity, const std::string& name, std::size_t periods) {
    const auto profile = readProfile(db, entity, name);
    if (!profile)
        throw std::runtime_error("l'entité " + entity + " n'a pas de profil « " + name + " »");
    if (profile->shares.size() != periods)
        throw std::runtime_error("le profil « " + name + " » a " + std::to_string(profile->shares.size()) +
                                 " part(s), l'exercice " + std::to_string(periods) + " période(s)");
    return *profile;
}

void spreadEachByProfile(std::vector<BudgetRow>& rows, const Profile& profile) {
    for (auto& row : rows) {
        row.line.periods.clear();
        const auto amounts = spreadByProfile(row.line.total, profile.shares);
        for (std::size_t p = 0; p < amounts.size(); ++p)
            row.line.periods.emplace_back(static_cast<int>(p), amounts[p]);
    }
}

}  // namespace ondrel
