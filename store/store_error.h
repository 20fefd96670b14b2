#pragma once

#include <string>

#include <SQLiteCpp/Exception.h>

#include "data/data_error.h"

namespace ondrel {

// A failure of SQLite as the person reads it: in French for the faults a person can
// meet (a locked, read-only or full database, a file that is not ours), with the
// operation and SQLite's own words after it for the others.
DataError storeError(const std::string& what, const SQLite::Exception& e);

// The faults that a person meets on either engine.
std::string busyDatabase();
std::string readOnlyDatabase();
std::string fullDisk();
// Another writer changed, deleted or created the record since it was read.
std::string recordChanged(const std::string& file, const std::string& key);
// A write to a line or a note of a validated year, refused by the database itself.
std::string lockedBudget(const std::string& yearLabel, const std::string& entity);
// A validated version, or a line of it, that something tried to change or delete.
std::string frozenVersion(const std::string& versionKey);
// A version to validate that is no longer the working budget of its year.
std::string versionDiffers(const std::string& name, const std::string& account);
// A note that the lines do not keep.
std::string noteFault();
// A validation by a user without the validation right.
std::string noValidationRight();
// The first line of an engine's own words, for a one-line message.
std::string firstLine(const std::string& text);

// The texts of the faults met when a database is opened.
std::string missingDatabase(const std::string& path);
std::string folderNotDatabase(const std::string& path);
std::string notOurDatabase(const std::string& path);

}  // namespace ondrel
