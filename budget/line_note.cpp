#include "budget/line_note.h"

#include "data/request.h"
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
    Request q;
    q.set(1, "SSELECT " + std::string(kNotesFile) + " AVEC 0 = \"" + prefix + "]\" 0 1 PAR 0");
    q.set(2, kNotesFile);
    q.set(3, "0 1");
    try {
        const ResultTable table = db.RunSelect(q.text());
        for (const auto& row : table.rows())
            notes[row[0]] = row[1];
    } catch (const DataError& e) {
        if (e.number() != kFileNotFound)   // no note was ever kept in this database
            throw;
    }
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
