#include "versions/versions.h"

#include <algorithm>
#include <stdexcept>

#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "budget/line_note.h"
#include "data/suite_files.h"
#include "data/text_fold.h"
#include "entity/code_padding.h"
#include "platform/date_conversion.h"
#include "screen/utf8_text.h"
#include "store/store_error.h"

namespace ondrel {

namespace {

constexpr int kMaxVersions = 999;
constexpr const char* kValidated = "validée";

std::string kindText(VersionKind kind) {
    return kind == VersionKind::Budget ? "budget" : "atterrissage";
}

std::string yearPrefix(const std::string& entity, const std::string& year) {
    return lockKey(yearCodeFor(year), entity) + ".";
}

// The head as stored, with who saved and who validated it from its history.
Version versionOf(Database& db, const Record& head) {
    Version v;
    v.key = head.key();
    v.name = head.value(1, 1);
    v.kind = head.value(2, 1) == "atterrissage" ? VersionKind::Landing : VersionKind::Budget;
    v.validated = head.value(3, 1) == kValidated;
    v.description = head.value(4, 1);
    const auto revisions = db.history(kVersionsFile, v.key);
    if (!revisions.empty()) {
        v.savedBy = revisions.front().author;
        v.savedAt = momentText(revisions.front().at);
    }
    for (const auto& r : revisions)
        if (r.fields.size() > 2 && !r.fields[2].empty() && r.fields[2][0] == kValidated) {
            v.validatedBy = r.author;
            v.validatedAt = momentText(r.at);
            break;
        }
    return v;
}

void checkName(const std::string& name) {
    if (trimBlanks(name).empty())
        throw std::runtime_error("Donnez un nom à la version.");
    if (!isValidUtf8(name) || charCount(name) > kVersionNameLength)
        throw std::runtime_error("Le nom d'une version tient en " + std::to_string(kVersionNameLength) +
                                 " caractères.");
    if (std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; }))
        throw std::runtime_error("Le nom d'une version ne contient pas de caractère de contrôle.");
}

int numberOf(const std::string& key) {
    return std::stoi(key.substr(key.size() - 3));
}

// The number after every one the year's versions ever had: a deleted version's number
// is not given again while others are free, so that the history of its lines stays
// its own and a new version's lines have none.
int nextNumber(Database& db, const std::string& prefix, const std::vector<Version>& versions) {
    const std::string lastEver = db.lastKeyInHistory(kVersionsFile, prefix);
    int number = lastEver.size() == prefix.size() + 3 ? numberOf(lastEver) : 0;
    for (const auto& v : versions)
        number = std::max(number, numberOf(v.key));
    if (number < kMaxVersions)
        return number + 1;
    for (int free = 1; free <= kMaxVersions; ++free)
        if (std::none_of(versions.begin(), versions.end(), [&](const Version& v) { return numberOf(v.key) == free; }))
            return free;
    throw std::runtime_error("L'exercice a déjà " + std::to_string(kMaxVersions) + " versions : supprimez-en une.");
}

// The head of a new version, its name checked and free, under the next number.
Record newHead(Database& db, const std::string& entity, const std::string& year, const std::string& name,
               VersionKind kind, const std::string& description) {
    checkName(name);
    const auto versions = listVersions(db, entity, year);
    for (const auto& v : versions)
        if (foldCase(v.name) == foldCase(trimBlanks(name)))
            throw std::runtime_error("Une version de l'exercice " + year + " de l'entité " + entity + " s'appelle déjà « " +
                                     v.name + " » : choisissez un autre nom.");
    const std::string number = padCode(std::to_string(nextNumber(db, yearPrefix(entity, year), versions)));
    return db.newRecord(kVersionsFile, yearPrefix(entity, year) + number,
                         {{trimBlanks(name)}, {kindText(kind)}, {}, {description}});
}

// A new version: its head first, as a server takes lines only into a version that
// the same transaction made; then its lines, every key under it asked for at once
// rather than one by one.
void writeVersion(Database& db, const Record& head, const std::vector<Record>& lines) {
    db.write(kVersionsFile, head);
    db.readAheadUnder(kVersionLinesFile, head.key());
    for (const auto& line : lines)
        db.write(kVersionLinesFile, line);
}

// A line without a note stores no note field.
std::vector<std::string> noteField(const std::string& note) {
    return note.empty() ? std::vector<std::string>{} : std::vector<std::string>{note};
}

void createFiles(Database& db) {
    db.createFile(kVersionsFile);
    db.createFile(kVersionLinesFile);
}

}  // namespace

std::vector<Version> listVersions(Database& db, const std::string& entity, const std::string& year) {
    std::vector<Version> versions;
    std::vector<Record> heads;
    db.forEachRecord(kVersionsFile, [&](const Record& r) { heads.push_back(r); }, yearPrefix(entity, year));
    const auto lock = budgetLock(db, yearCodeFor(year), entity);
    for (const auto& head : heads) {
        versions.push_back(versionOf(db, head));
        versions.back().locksYear = lock && lock->versionKey == head.key();
    }
    return versions;
}

std::optional<Version> findVersion(Database& db, const std::string& entity, const std::string& year,
                                   const std::string& name) {
    for (auto& v : listVersions(db, entity, year))
        if (foldCase(v.name) == foldCase(trimBlanks(name)))
            return v;
    return std::nullopt;
}

Version versionNamed(Database& db, const std::string& entity, const std::string& year, const std::string& name) {
    auto v = findVersion(db, entity, year, name);
    if (!v)
        throw std::runtime_error("L'exercice " + year + " de l'entité " + entity + " n'a pas de version « " + name +
                                 " ».");
    return *v;
}

Version saveVersion(Database& db, const std::string& entity, const std::string& year, const std::string& name) {
    const BudgetSheet sheet = emptyBudgetSheet(db, entity, year);
    const std::string prefix = yearCodeFor(year) + entity;
    db.inOneBatch([&] {
        createFiles(db);
        const Record head = newHead(db, entity, year, name, VersionKind::Budget, {});
        const auto notes = readNotes(db, prefix);
        std::vector<Record> lines;
        db.forEachRecord("BUDGET", [&](const Record& r) {
            sheetLine(r, prefix, sheet);   // refuses a line whose months do not read
            auto fields = r.fields();
            fields.resize(4);
            const auto note = notes.find(r.key());
            fields.push_back(noteField(note == notes.end() ? std::string() : note->second));
            lines.push_back(db.newRecord(kVersionLinesFile, head.key() + r.key().substr(prefix.size()), fields));
        }, prefix);
        if (lines.empty())
            throw std::runtime_error("L'exercice " + year + " de l'entité " + entity +
                                     " n'a aucune ligne de budget : il n'y a rien à enregistrer.");
        writeVersion(db, head, lines);
    });
    return versionNamed(db, entity, year, name);
}

Version saveSheet(Database& db, const BudgetSheet& sheet, const std::string& name, VersionKind kind,
                  const std::string& description) {
    db.inOneBatch([&] {
        createFiles(db);
        const Record head = newHead(db, sheet.entity, sheet.year, name, kind, description);
        std::vector<Record> lines;
        for (const auto& line : sheet.lines) {
            std::vector<std::string> indexes, amounts;
            for (std::size_t p = 0; p < line.periods.size(); ++p)
                if (line.periods[p] && *line.periods[p] != Currency::zero()) {
                    indexes.push_back(std::to_string(p));
                    amounts.push_back(storedHundredths(*line.periods[p]));
                }
            lines.push_back(db.newRecord(kVersionLinesFile, head.key() + line.account,
                                         {{line.label}, indexes, amounts, {line.key}, noteField(line.note)}));
        }
        writeVersion(db, head, lines);
    });
    return versionNamed(db, sheet.entity, sheet.year, name);
}

BudgetSheet readVersion(Database& db, const std::string& entity, const std::string& year, const Version& version) {
    BudgetSheet sheet = emptyBudgetSheet(db, entity, year);
    db.forEachRecord(kVersionLinesFile, [&](const Record& r) {
        sheet.lines.push_back(sheetLine(r, version.key, sheet));
        sheet.lines.back().revision = 0;   // a version's line is never written over
        sheet.lines.back().note = r.value(5, 1);
    }, version.key);
    return sheet;
}

void deleteVersion(Database& db, const std::string& entity, const std::string& year, const std::string& name) {
    const Version version = versionNamed(db, entity, year, name);
    if (version.validated)
        throw std::runtime_error("La version « " + version.name + " » est validée : elle ne se supprime pas.");
    db.inOneBatch([&] {
        std::vector<std::string> keys;
        db.forEachRecord(kVersionLinesFile, [&](const Record& r) { keys.push_back(r.key()); }, version.key);
        db.remove(kVersionLinesFile, keys);
        db.remove(kVersionsFile, version.key);
    });
}

BudgetSheet budgetNamed(Database& db, const std::string& entity, const std::string& year, const std::string& version) {
    if (version.empty())
        return readBudgetSheet(db, entity, year);
    return readVersion(db, entity, year, versionNamed(db, entity, year, version));
}

std::string budgetName(const std::string& version) {
    return version.empty() ? "Budget de travail" : version;
}

std::string versionCaption(const Version& version) {
    std::string caption = version.name;
    if (version.validated)
        caption += " (validée le " + version.validatedAt + " par " + version.validatedBy + ")";
    else if (version.kind == VersionKind::Landing)
        caption += " (atterrissage)";
    return caption;
}

}  // namespace ondrel
