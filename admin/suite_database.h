#pragma once

#include "store/database.h"

namespace ondrel {

// The nine files of the suite, created empty where missing: a database that the tools
// make always opens in the screen, whatever was imported into it.
void createSuiteFiles(Database& db);

}  // namespace ondrel
