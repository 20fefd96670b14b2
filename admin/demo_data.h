#pragma once

#include <string>

#include "data/suite_files.h"
#include "store/database.h"

namespace ondrel {

// Fills an empty database with the demo data: three entities, their fiscal years,
// charts, keys and a few budget lines; full rights and the right to validate for owner,
// read-only for "lecteur".
void writeDemoData(Database& db, const std::string& owner);

}  // namespace ondrel
