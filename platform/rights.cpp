#include "platform/rights.h"

#include "store/database.h"

namespace ondrel {

namespace {

class Level : public ScreenRights {
public:
    explicit Level(std::int32_t level) : level_(level) {}
    std::int32_t AccessLevel() override { return level_; }

private:
    std::int32_t level_;
};

class Stored : public UserRights {
public:
    Stored(std::shared_ptr<Database> db, std::string user) : db_(std::move(db)), user_(std::move(user)) {}
    std::shared_ptr<ScreenRights> RightsForKey(const std::string& screenKey) override {
        return std::make_shared<Level>(db_->accessLevel(user_, screenKey).value_or(0));
    }

private:
    std::shared_ptr<Database> db_;
    std::string user_;
};

class Fixed : public UserRights {
public:
    explicit Fixed(std::int32_t level) : level_(level) {}
    std::shared_ptr<ScreenRights> RightsForKey(const std::string&) override { return std::make_shared<Level>(level_); }

private:
    std::int32_t level_;
};

}  // namespace

std::shared_ptr<UserRights> storedRights(std::shared_ptr<Database> db, std::string user) {
    return std::make_shared<Stored>(std::move(db), std::move(user));
}

std::shared_ptr<UserRights> fixedRights(std::int32_t level) {
    return std::make_shared<Fixed>(level);
}

bool mayValidate(UserRights& rights) {
    return rights.RightsForKey(kValidationKey)->AccessLevel() >= 1;
}

bool writesOnServer(Database& db, const std::string& user) {
    return db.accessLevel(user, kScreenKey).value_or(0) == kFullRights ||
           db.accessLevel(user, kValidationKey).value_or(0) >= 1;
}

}  // namespace ondrel
