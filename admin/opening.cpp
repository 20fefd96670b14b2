#include "admin/opening.h"

#include <filesystem>
#include <iostream>

#include "data/data_error.h"
#include "platform/login_name.h"
#include "platform/rights.h"

namespace ondrel {

std::shared_ptr<Database> openExisting(const std::string& path, Database::Access access) {
    auto db = Database::open(path, access);
    db->signIn(loginName());
    return db;
}

std::shared_ptr<Database> createNew(const std::string& path) {
    auto db = Database::create(path);
    db->signIn(loginName());
    return db;
}

std::shared_ptr<Database> openOrCreate(const std::string& path, bool& created) {
    try {
        created = false;
        return openExisting(path, Database::Access::ReadWrite);
    } catch (const DataError& e) {
        if (e.number() != kNotOurDatabase && e.number() != kFileNotFound)
            throw;
    }
    created = true;
    return createNew(path);
}

void discardCreated(std::shared_ptr<Database>& db, const std::string& path) {
    db.reset();
    if (Database::isServer(path))
        return;
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);
}

void grantRecordedRights(Database& db) {
    for (const auto& right : db.accessLevels())
        if (right.screenKey == kScreenKey && !db.grantAccess(right.user, writesOnServer(db, right.user)))
            std::cout << "  the server has no role " << right.user << ": create it (CREATE ROLE " << right.user
                      << " LOGIN), then run: ondrel-admin rights DB " << right.user << " " << kScreenKey << " "
                      << right.level << "\n";
}

}  // namespace ondrel
