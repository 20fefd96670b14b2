#pragma once

#include <SQLiteCpp/Database.h>

namespace ondrel {

// The mark of the databases that the tools make: SQLite's application_id ("ONDR")
// and the version of the tables in user_version.
inline constexpr int kSqliteApplicationId = 0x4F4E4452;
inline constexpr int kSqliteLayout = 3;

// The tables of a new file, at the current version.
void makeSqliteTables(SQLite::Database& db);
// Brings a file of an earlier version (1 or 2) to the current one, in the caller's
// transaction; every record, revision and history row is kept.
void upgradeSqliteTables(SQLite::Database& db, int version);

}  // namespace ondrel
