#pragma once

#include <memory>
#include <string>

#include "store/access.h"
#include "store/connection.h"

namespace ondrel {

// A postgresql:// or postgres:// URI names a server; anything else is a file.
bool isServerLocation(const std::string& location);
// The ? of a statement numbered as the server wants them: $1, $2…
std::string numbered(const std::string& sql);
// The URI without its password, for messages and the status bar.
std::string withoutPassword(const std::string& uri);

// Connects to a server database that holds the suite's tables. libpq reads the URI,
// its usual environment variables and the password file.
std::unique_ptr<Connection> openPostgres(const std::string& uri, Access access);
// Makes the suite's tables in a server database that holds none of them yet.
std::unique_ptr<Connection> createPostgres(const std::string& uri);

}  // namespace ondrel
