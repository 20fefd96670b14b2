#pragma once

#include <memory>
#include <string>

#include "store/database.h"

namespace ondrel {

// The history keeps the tool's user as the author of what it writes: on a server, the
// role it signed in as.
std::shared_ptr<Database> openExisting(const std::string& path,
                                       Database::Access access = Database::Access::Automatic);
std::shared_ptr<Database> createNew(const std::string& path);

// The database of the suite at path, or a new one where there is none: no file, or a
// server database without the suite's tables.
std::shared_ptr<Database> openOrCreate(const std::string& path, bool& created);

// A database that a failed command made is taken away again: a file goes; the tables
// made on a server stay, empty.
void discardCreated(std::shared_ptr<Database>& db, const std::string& path);

// On a server, each role of the rights store gets what its level on the budget screen
// needs; a role that the server lacks is named, for its administrator to make.
void grantRecordedRights(Database& db);

}  // namespace ondrel
