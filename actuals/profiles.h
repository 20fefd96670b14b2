#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "budget/currency.h"
#include "sheets/budget_import.h"
#include "store/database.h"

namespace ondrel {

// A seasonal profile of an entity: the share of a year's total that each period takes,
// in hundredths of a percent, adding up to 100 %. Kept in a file of ours, PROFILS,
// under the entity's code and the profile's name; field 1 is the name, field 2 the
// shares in period order.
inline constexpr const char* kProfilesFile = "PROFILS";
inline constexpr std::int64_t kWholeYear = 10000;   // 100,00 %

struct Profile {
    std::string name;
    std::vector<std::int64_t> shares;
};

// "8,5;8,5;…": a share a period, as the French write percentages; what is wrong, in
// French, for anything else or for shares that do not add up to 100 %.
std::optional<Profile> parseProfile(const std::string& name, const std::string& shares, std::string& why);
// The shares of the year that the months' amounts take; none when they add up to
// nothing.
std::optional<Profile> profileOf(const std::string& name, const std::vector<Currency>& months);
// The entity's shares of the year from what was actually spent in a fiscal year on the
// accounts that begin with the digits of `accounts` (one account, a class: "6064",
// "64"), all its charges (class 6) by default; none when nothing was spent there.
std::optional<Profile> profileFromActuals(Database& db, const std::string& entity, const std::string& year,
                                          const std::string& name, const std::string& accounts = "6");

void saveProfile(Database& db, const std::string& entity, const Profile& profile);
std::optional<Profile> readProfile(Database& db, const std::string& entity, const std::string& name);
std::vector<std::string> profileNames(Database& db, const std::string& entity);

// The entity's profile of that name, fit for a year of that many periods; raises
// std::runtime_error, in French, for none or one of another number of shares.
Profile profileFor(Database& db, const std::string& entity, const std::string& name, std::size_t periods);
// Each row's total spread again by the profile's shares.
void spreadEachByProfile(std::vector<BudgetRow>& rows, const Profile& profile);

// The total over the periods by their shares, each cut down to the cent, the cents
// left over on the last period.
std::vector<Currency> spreadByProfile(Currency total, const std::vector<std::int64_t>& shares);

}  // namespace ondrel
