// The commands on whole databases: make one, copy it, import and export its records,
// read one record, its history or a select, and give the rights.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <set>

#include <nlohmann/json.hpp>

#include "admin/command_line.h"
#include "admin/demo_data.h"
#include "admin/opening.h"
#include "admin/record_json.h"
#include "admin/suite_database.h"
#include "data/data_error.h"
#include "data/request.h"
#include "platform/rights.h"

namespace ondrel {
namespace {

void printFiles(Database& db) {
    for (const auto& file : db.fileNames())
        std::cout << "  " << file << ": " << db.keys(file).size() << " records\n";
}

void init(const std::string& path) {
    auto db = createNew(path);
    createSuiteFiles(*db);
    std::cout << "Database created: " << db->location() << "\n";
    printFiles(*db);
}

void initDemo(const std::string& path) {
    auto db = createNew(path);
    const std::string& owner = db->user();
    writeDemoData(*db, owner);
    writeDemoGroup(*db);
    std::cout << "Demo database created: " << db->location() << "\n";
    printFiles(*db);
    std::cout << "  rights on ONDREL: " << owner << " full (2), lecteur read-only (0); " << owner
              << " validates (ONDREL_VALIDATION 1)\n";
    grantRecordedRights(*db);
}

// Every file, record and right of one database into a new one, in one transaction of
// the new one: a copy that fails leaves nothing behind. The new database is loaded in
// bulk, each record at its first revision.
void copyDatabase(const std::string& from, const std::string& to) {
    auto source = openExisting(from, Database::Access::ReadOnly);
    auto target = createNew(to);
    std::size_t count = 0;
    try {
        target->inOneTransaction([&] {
            target->load([&](Database::Loader& loader) {
                for (const auto& file : source->fileNames()) {
                    target->createFile(file);
                    source->forEachRecord(file, [&](const Record& r) {
                        loader.put(file, r);
                        ++count;
                    });
                }
            });
            for (const auto& right : source->accessLevels())
                target->setAccessLevel(right.user, right.screenKey, right.level);
        });
    } catch (...) {
        discardCreated(target, to);
        throw;
    }
    std::cout << count << " records copied from " << source->location() << " to " << target->location() << "\n";
    grantRecordedRights(*target);
}

// One line of a JSON Lines file, or nothing for a blank line.
std::optional<FileRecord> recordOfLine(const std::string& line, int number, const std::string& input) {
    if (line.find_first_not_of(" \t\r") == std::string::npos)
        return std::nullopt;
    try {
        return parseRecordLine(line);
    } catch (const std::invalid_argument& e) {
        throw Failure(input + ", line " + std::to_string(number) + ": " + e.what() + "; nothing was imported");
    }
}

// Line by line into one transaction: memory stays flat in the size of the file, and a
// bad line rolls everything back. A database this import made is removed again then.
void importFile(const std::string& path, const std::string& input) {
    std::ifstream in(input);
    if (!in)
        throw Failure("cannot read " + input);
    bool created = false;
    auto db = openOrCreate(path, created);
    std::size_t count = 0;
    try {
        db->inOneBatch([&] {
            if (created)
                createSuiteFiles(*db);
            std::set<std::string> files;
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                auto r = recordOfLine(line, number, input);
                if (!r)
                    continue;
                if (files.insert(r->file).second)
                    db->createFile(r->file);
                db->write(r->file, db->makeRecord(r->file, std::move(r->key), std::move(r->fields)));
                ++count;
            }
        });
    } catch (...) {
        if (created)
            discardCreated(db, path);
        throw;
    }
    std::cout << count << " records imported into " << db->location() << "\n";
}

void exportFiles(const std::string& path, std::vector<std::string> files) {
    auto db = openExisting(path);
    auto known = db->fileNames();
    if (files.empty())
        files = known;
    for (const auto& f : files)
        if (std::find(known.begin(), known.end(), f) == known.end())
            throw Failure("the file " + f + " does not exist in " + Database::readable(path));
    for (const auto& f : files)
        db->forEachRecord(f, [&](const Record& r) { std::cout << recordLine(f, r) << "\n"; });
}

void show(const std::string& path, const std::string& file, const std::string& key) {
    auto db = openExisting(path);
    try {
        std::cout << recordLine(file, db->OpenFile(file).ReadRecord(key)) << "\n";
    } catch (const DataError& e) {
        if (e.number() == kRecordNotFound)
            throw Failure("no record of key " + key + " in " + file);
        throw;
    }
}

void select(const std::string& path, const std::string& sentence, const std::string& file, const std::string& fields) {
    auto db = openExisting(path);
    Request q;
    q.set(1, sentence);
    q.set(2, file);
    q.set(3, fields);
    const auto table = db->RunSelect(q.text());
    for (const auto& row : table.rows()) {
        nlohmann::json j = row;
        std::cout << j.dump() << "\n";
    }
}

// A field's values as one JSON array, or a single value as a JSON text.
std::string fieldText(const std::vector<std::string>& values) {
    return values.size() == 1 ? nlohmann::json(values[0]).dump() : nlohmann::json(values).dump();
}

void printChangedFields(const Revision& r, const std::vector<std::vector<std::string>>& before) {
    const std::size_t fields = std::max(before.size(), r.fields.size());
    for (std::size_t f = 0; f < fields; ++f) {
        const auto& was = f < before.size() ? before[f] : std::vector<std::string>{};
        const auto& now = f < r.fields.size() ? r.fields[f] : std::vector<std::string>{};
        if (was == now)
            continue;
        std::cout << "  field " << f + 1 << ": ";
        if (!was.empty())
            std::cout << fieldText(was) << " -> ";
        std::cout << (now.empty() ? "(empty)" : fieldText(now)) << "\n";
    }
}

// Each revision, oldest first, with who wrote it and when, and what it changed: the
// whole record for the first, the fields that differ for the others.
void printHistory(const std::string& path, const std::string& file, const std::string& key) {
    auto db = openExisting(path, Database::Access::ReadOnly);
    const auto revisions = db->history(file, key);
    if (revisions.empty())
        throw Failure("no history of " + key + " in " + file);
    const std::vector<std::vector<std::string>> none;
    const std::vector<std::vector<std::string>>* before = &none;
    for (const auto& r : revisions) {
        std::cout << "revision " << r.number << "  " << r.at << " UTC  " << r.author
                  << (r.deleted ? "  deleted" : "") << "\n";
        if (!r.deleted)
            printChangedFields(r, *before);
        before = &r.fields;
    }
}

// On a server the role also gets what its levels on the budget screen and on the
// validation need on the tables: reading, and writing at full rights or to validate.
// The level of any other screen key leaves the tables' grants as they are.
void setRights(const std::string& path, const std::string& user, const std::string& key, std::int32_t level) {
    auto db = openExisting(path, Database::Access::ReadWrite);
    db->inOneTransaction([&] {
        db->setAccessLevel(user, key, level);
        if ((key == kScreenKey || key == kValidationKey) && !db->grantAccess(user, writesOnServer(*db, user)))
            throw Failure("the server has no role " + user + ": create it (CREATE ROLE " + user +
                          " LOGIN), then give it its rights again");
    });
    std::cout << user << " has level " << level << " on " << key << "\n";
}

struct Arguments {
    std::string db, target, file, key, input, sentence, fields, user;
    std::vector<std::string> files;
    std::int32_t level = 0;
};

}  // namespace

void addDatabaseCommands(CLI::App& tool, Command& chosen) {
    auto a = std::make_shared<Arguments>();
    subcommand(tool, chosen, "init", "create an empty database of the suite (never overwrites)", [a] { init(a->db); })
        ->add_option("DB", a->db, kDatabaseHelp)->required();
    subcommand(tool, chosen, "init-demo", "create a demo database (never overwrites)", [a] { initDemo(a->db); })
        ->add_option("DB", a->db, kDatabaseHelp)->required();

    auto* copy = subcommand(tool, chosen, "copy", "copy a whole database into a new one, file or server; all or nothing",
                            [a] { copyDatabase(a->db, a->target); });
    copy->add_option("FROM", a->db, "database to copy")->required();
    copy->add_option("TO", a->target, "new database, file or postgresql:// URI")->required();

    auto* history = subcommand(tool, chosen, "history", "list the revisions of a record, oldest first, with what changed",
                               [a] { printHistory(a->db, a->file, a->key); });
    history->add_option("DB", a->db, kDatabaseHelp)->required();
    history->add_option("FILE", a->file, "file name")->required();
    history->add_option("KEY", a->key, "record key")->required();

    auto* import = subcommand(tool, chosen, "import", "import JSON Lines records; all or nothing",
                              [a] { importFile(a->db, a->input); });
    import->add_option("DB", a->db, "database file or postgresql:// URI (created when missing)")->required();
    import->add_option("FILE", a->input, "JSON Lines file")->required();

    auto* exportCommand = subcommand(tool, chosen, "export", "export records as JSON Lines, file by file, key by key",
                                     [a] { exportFiles(a->db, a->files); });
    exportCommand->add_option("DB", a->db, kDatabaseHelp)->required();
    exportCommand->add_option("FILE", a->files, "files to export (all when none)");

    auto* showCommand = subcommand(tool, chosen, "show", "print one record as a JSON line",
                                   [a] { show(a->db, a->file, a->key); });
    showCommand->add_option("DB", a->db, kDatabaseHelp)->required();
    showCommand->add_option("FILE", a->file, "file name")->required();
    showCommand->add_option("KEY", a->key, "record key")->required();

    auto* selectCommand = subcommand(tool, chosen, "select", "run a select sentence and print its rows",
                                     [a] { select(a->db, a->sentence, a->file, a->fields); });
    selectCommand->add_option("DB", a->db, kDatabaseHelp)->required();
    selectCommand->add_option("SENTENCE", a->sentence, "select sentence")->required();
    selectCommand->add_option("FILE", a->file, "file name")->required();
    selectCommand->add_option("FIELDS", a->fields, "field list")->required();

    auto* rights = subcommand(tool, chosen, "rights", "set the access level of a user for a screen key",
                              [a] { setRights(a->db, a->user, a->key, a->level); });
    rights->add_option("DB", a->db, kDatabaseHelp)->required();
    rights->add_option("USER", a->user, "user name")->required();
    rights->add_option("SCREENKEY", a->key, "screen key, such as ONDREL")->required();
    rights->add_option("LEVEL", a->level, "access level; 2 is full rights")->required();
}

}  // namespace ondrel
