#include "budget/line_note.h"

#include "data/data_error.h"
#include "data/suite_files.h"
#include "screen/utf8_text.h"
#include "store/store_error.h"

namespace ondrel {

std::optional<std::string> noteFault(const std::string& note) {
    if (!isValidUtf8(note) || charCount(note) > kNoteLength)
        return noteFault();
    for (unsigned char c : note)
        if ((c < 0x20 && c != '\n') || c == 0x7f)
            return noteFault();
    return std::nullopt;
}

std::map<std::string, std::string> readNotes(Database& db, const std::string& prefix) {
    std::map<std::string, std::string> notes;
    db.forEachRecord(kNotesFile, [&](const Record& r) { notes[r.key()] = r.value(1, 1); }, prefix);
    return notes;
}

bool saveNote(Database& db, const std::string& lineKey, const std::string& note) {
    if (const auto fault = noteFault(note))
        throw DataError(kBadValue, *fault);
    const auto stored = db.read(kNotesFile, lineKey);
    if (note.empty()) {
        if (stored)
            db.remove(kNotesFile, *stored);
        return stored.has_value();
    }
    if (stored && stored->value(1, 1) == note)
        return false;
    db.createFile(kNotesFile);
    db.write(kNotesFile, db.makeRecord(kNotesFile, lineKey, {{note}}));
    return true;
}

}  // namespace ondrel
