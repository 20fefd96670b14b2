#pragma once

#include <string>

namespace ondrel {

// The client context of the suite: who works, on which database.
struct ClientContext {
    std::string user;
    std::string databasePath;
};

}  // namespace ondrel
