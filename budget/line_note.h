#pragma once

#include <map>
#include <optional>
#include <string>

#include "store/database.h"

namespace ondrel {

// The note of a line of the working budget, why this amount: a record of ours under
// the line's key, field 1 the text. Five hundred characters at most, line feeds
// allowed, no other control character.
inline constexpr std::size_t kNoteLength = 500;

// Why the text cannot be kept as a note; none when it can.
std::optional<std::string> noteFault(const std::string& note);
// The notes of the lines whose keys begin with prefix (a year of an entity: "N0001"),
// by key.
std::map<std::string, std::string> readNotes(Database& db, const std::string& prefix);
// Keeps the note of the line; an empty one takes the note away. False when the line
// had that note already.
bool saveNote(Database& db, const std::string& lineKey, const std::string& note);

}  // namespace ondrel
