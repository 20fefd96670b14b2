#pragma once

#include <map>
#include <optional>
#include <string>

#include "group/group.h"

namespace ondrel {

// An entity's own thresholds are records of SEUILS under its code followed by the
// significant digits of a line's account or of a class ("0016064", "00162"), or by
// nothing for the whole entity; field 1 holds the warning and the overspend, in
// hundredths of a percent.
inline constexpr const char* kThresholdsFile = "SEUILS";

// Sets the thresholds of the entity's lines under the account prefix (empty: all its
// lines), or takes them away for none. Refused, in French, for an entity that is not
// on file, a prefix that is not up to ten digits, thresholds out of order, and to
// whoever does not budget at full rights.
void setThresholds(Database& db, UserRights& rights, const std::string& entity, const std::string& prefix,
                   const std::optional<Thresholds>& thresholds);

// An entity's thresholds by significant prefix ("" for the whole entity).
using EntityThresholds = std::map<std::string, Thresholds>;
EntityThresholds readThresholds(Database& db, const std::string& entity);

// The thresholds of a line: its own or its nearest class's, then its entity's, then
// the group's, then 90 % and 100 %.
Thresholds thresholdsOf(const EntityThresholds& entity, const std::string& account, const Group& group);

}  // namespace ondrel
