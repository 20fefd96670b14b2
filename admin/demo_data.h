#pragma once

#include <string>

#include "data/suite_files.h"
#include "store/database.h"

namespace ondrel {

// Fills an empty database with the demo data: three entities, their fiscal years,
// charts, keys and a few budget lines; full rights and the right to validate for owner,
// read-only for "lecteur".
void writeDemoData(Database& db, const std::string& owner);
// Adds the demo's group: 001 and 003, with a fee between them in N+1 as its flow.
void writeDemoGroup(Database& db);

}  // namespace ondrel
