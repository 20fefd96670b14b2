// platform: the suite's components outside the control (rights, help, dates, the
// French locale, the user's name), each a small layer of ours. Stands on store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ondrel {

class Database;

// The access level that lets a user save and delete budgets.
inline constexpr std::int32_t kFullRights = 2;
// The key of the budget screen's rights.
inline constexpr const char* kScreenKey = "ONDREL";
// The key of the right to validate a year's budget and to open its revision: any level
// from 1 up.
inline constexpr const char* kValidationKey = "ONDREL_VALIDATION";

// The rights of one screen: kFullRights is full rights.
class ScreenRights {
public:
    virtual ~ScreenRights() = default;
    virtual std::int32_t AccessLevel() = 0;
};

// The user's rights, by screen key.
class UserRights {
public:
    virtual ~UserRights() = default;
    virtual std::shared_ptr<ScreenRights> RightsForKey(const std::string& screenKey) = 0;
};

// The rights store that `ondrel-admin rights` writes; a user with no entry for a
// screen has level 0: the screen shows budgets but saves and deletes nothing.
std::shared_ptr<UserRights> storedRights(std::shared_ptr<Database> db, std::string user);
// The same level for every screen key.
std::shared_ptr<UserRights> fixedRights(std::int32_t level);

// Whether the user may validate and revise budgets.
bool mayValidate(UserRights& rights);
// Whether the user writes anything on a server: who budgets at full rights, or
// validates.
bool writesOnServer(Database& db, const std::string& user);

}  // namespace ondrel
