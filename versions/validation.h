#pragma once

#include <string>

#include "platform/rights.h"
#include "versions/versions.h"

namespace ondrel {

// Validates the version of that name, saving the working budget under it first when
// the year has no version of that name yet, and locks the year's working budget: its
// lines and notes no longer change until a revision. Refused, in French and with nothing
// written, to a user without the validation right, for a year already locked, a landing,
// a version already validated, and a version that the working budget no longer is. On
// a server, a desk saving a line of the year meanwhile waits, then finds the lock; one
// that saved first makes the validation refused.
Version validateVersion(Database& db, UserRights& rights, const std::string& entity, const std::string& year,
                        const std::string& name);

// Opens the revision of a validated year: the lock lifts, its version stays frozen.
// Refused, in French, to a user without the validation right and for a year that is
// not locked.
void reviseYear(Database& db, UserRights& rights, const std::string& entity, const std::string& year);

}  // namespace ondrel
