// group: several entities seen together: their budgets added by account and by calendar
// month, the flows between them eliminated, the year to date and the alerts where a line
// goes past its threshold. Stands on versions (a group shows each entity's working
// budget, validated version or landing) and so on actuals and sheets; reaches down to
// the store for its own files, GROUPES and SEUILS.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/database.h"

namespace ondrel {

class UserRights;

// A group of entities is a record of GROUPES under its name: field 1 the name, 2 the
// codes of its entities (the first is its reference: its labels name the group's
// lines), 3, 4 and 5 its flows (their names, their charge accounts and their produit
// accounts, one value each a flow), 6 its own thresholds. "Toutes les entités" always
// exists and always holds every entity; what it keeps of its own is its flows and
// thresholds.
inline constexpr const char* kGroupsFile = "GROUPES";
inline constexpr const char* kAllEntities = "Toutes les entités";
inline constexpr std::size_t kGroupNameLength = 60;

// Where an amount goes past what was budgeted to date: at `warning` a person keeps an
// eye on it, past `over` it is overspent; in hundredths of a percent of the budget to
// date (9000 is 90 %).
struct Thresholds {
    std::int64_t warning = 9000;
    std::int64_t over = 10000;
    friend bool operator==(const Thresholds&, const Thresholds&) = default;
};
// Refused, in French, beyond 1000 % or with the warning past the overspend.
void checkThresholds(const Thresholds& thresholds);
// The thresholds as a record keeps them, two whole numbers; none for anything else,
// which a view then reads as no thresholds of its own.
std::optional<Thresholds> storedThresholds(const std::vector<std::string>& values);

// A flow between members of the group: what one pays on a charge account another
// receives on a produit account (a membership fee, 6281 and 756). Both sides are left
// out of the group's totals. Accounts are kept completed to ten digits.
struct Flow {
    std::string name;
    std::string charge;
    std::string produit;
    friend bool operator==(const Flow&, const Flow&) = default;
};

struct Group {
    std::string name;
    std::vector<std::string> entities;
    std::vector<Flow> flows{};
    std::optional<Thresholds> thresholds{};
};

// "Toutes les entités" first, then the groups on file in the order of their names.
std::vector<std::string> groupNames(Database& db);
// The group of that name, or std::runtime_error, in French, saying there is none.
Group readGroup(Database& db, const std::string& name);
// Writes the group, made or changed, once checked: refused, in French, for a name that
// is empty, too long or holds a control character, no entity or one that is not on
// file or named twice, a flow whose accounts are not a charge and a produit, and
// thresholds beyond 1000 % or in the wrong order. Whoever budgets at full rights may.
void saveGroup(Database& db, UserRights& rights, const Group& group);
void deleteGroup(Database& db, UserRights& rights, const std::string& name);

// "001,003" as the command line writes it: each code padded as the screen pads it.
std::vector<std::string> entityList(const std::string& text);

}  // namespace ondrel
