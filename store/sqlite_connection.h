#pragma once

#include <memory>
#include <string>

#include "store/access.h"
#include "store/connection.h"

namespace ondrel {

// Opens a database file that the tools made, for consultation only when asked or when
// the file cannot be written. Refuses any other file, untouched.
std::unique_ptr<Connection> openSqlite(const std::string& path, Access access);
// Makes a new database file with the tables and the mark of the suite; never over an
// existing file.
std::unique_ptr<Connection> createSqlite(const std::string& path);

}  // namespace ondrel
