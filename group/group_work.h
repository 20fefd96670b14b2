#pragma once

#include <optional>
#include <string>
#include <vector>

#include "group/group.h"
#include "sheets/budget_import.h"

namespace ondrel {

// Work on every entity of a group at once, in one transaction: a year copied to the
// other, a file of several entities imported, a version saved or validated under one
// name. Each line goes through the screen's checks with the person's rights, as one
// typed there.

// What the work did, or would do, entity by entity.
struct EntityWork {
    std::string entity;
    BudgetWriteReport report;   // for versions, created counts the lines frozen
    std::string lockedBy{};     // a validated year, left untouched: what the lock says
};

struct GroupWorkReport {
    std::vector<EntityWork> entities;
    std::vector<std::string> faults;   // then nothing is written
    bool written = false;
};

// A validated year among the entities': the work is refused whole, or done for the
// others, the validated ones named and left untouched.
enum class ValidatedYears { Refuse, Skip };

struct GroupWorkOptions {
    ValidatedYears validated = ValidatedYears::Refuse;
    BudgetWriting::Run run = BudgetWriting::Run::Write;
    OnFile onFile = OnFile::Keep;   // for a copy: the lines already in the target year
};

// The year `from` of each entity copied into `to`, every amount raised by
// percentHundredths, or spread by the entity's profile of that name when one is given.
GroupWorkReport copyGroupYear(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                              const Group& group, const std::string& from, const std::string& to,
                              std::int64_t percentHundredths, const std::string& profile, GroupWorkOptions options);

// The rows of a budget file of several entities; a row of an entity outside the group
// is refused, with its line.
GroupWorkReport importGroupRows(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                                const Group& group, const std::vector<BudgetRow>& rows, GroupWorkOptions options);

// The working budget of each entity's year saved as a version of that name, validated
// when asked (validators only): refused whole if one entity cannot.
enum class VersionStep { Save, Validate };
GroupWorkReport saveGroupVersion(Database& db, UserRights& rights, const Group& group, const std::string& year,
                                 const std::string& name, VersionStep step, GroupWorkOptions options);

// "001 : 3 ligne(s) nouvelle(s), 0 modifiée(s), 2 inchangée(s)", "002 : exercice validé,
// laissé tel quel (…)": a line an entity.
std::vector<std::string> reportLines(const GroupWorkReport& report);

}  // namespace ondrel
