// ondrel-admin: the tool of the people who run the suite.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <iostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "data/data_error.h"
#include "data/request.h"
#include "platform/login_name.h"
#include "platform/rights.h"
#include "tools/demo_data.h"
#include "tools/budget_import.h"
#include "tools/budget_sheet.h"
#include "entity/code_padding.h"
#include "account/account_number.h"
#include "screen/utf8_text.h"
#include "tools/actuals.h"
#include "tools/budget_actuals.h"
#include "tools/budget_totals.h"
#include "tools/percentage.h"
#include "tools/profiles.h"
#include "tools/record_json.h"
#include "tools/suite_database.h"
#include "store/password_mask.h"

using namespace ondrel;

namespace {

// A failure the tool reports in one line, with exit status 1.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The history keeps the tool's user as the author of what it writes: on a server, the
// role it signed in as.
std::shared_ptr<Database> openExisting(const std::string& path,
                                       Database::Access access = Database::Access::Automatic) {
    auto db = Database::open(path, access);
    db->signIn(loginName());
    return db;
}

std::shared_ptr<Database> createNew(const std::string& path) {
    auto db = Database::create(path);
    db->signIn(loginName());
    return db;
}

// The database of the suite at path, or a new one where there is none: no file, or a
// server database without the suite's tables.
std::shared_ptr<Database> openOrCreate(const std::string& path, bool& created) {
    try {
        created = false;
        return openExisting(path, Database::Access::ReadWrite);
    } catch (const DataError& e) {
        if (e.number() != kNotOurDatabase && e.number() != kFileNotFound)
            throw;
    }
    created = true;
    return createNew(path);
}

// A database that a failed command made is taken away again: a file goes; the
// tables made on a server stay, empty.
void discardCreated(std::shared_ptr<Database>& db, const std::string& path) {
    db.reset();
    if (Database::isServer(path))
        return;
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);
}

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

// On a server, each role of the rights store gets what its level on the budget screen
// needs; a role that the server lacks is named, for its administrator to make.
void grantRecordedRights(Database& db) {
    for (const auto& right : db.accessLevels())
        if (right.screenKey == kScreenKey && !db.grantAccess(right.user, right.level == kFullRights))
            std::cout << "  the server has no role " << right.user << ": create it (CREATE ROLE " << right.user
                      << " LOGIN), then run: ondrel-admin rights DB " << right.user << " " << kScreenKey << " "
                      << right.level << "\n";
}

void initDemo(const std::string& path) {
    auto db = createNew(path);
    const std::string& owner = db->user();
    writeDemoData(*db, owner);
    std::cout << "Demo database created: " << db->location() << "\n";
    printFiles(*db);
    std::cout << "  rights on ONDREL: " << owner << " full (2), lecteur read-only (0)\n";
    grantRecordedRights(*db);
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
                if (line.find_first_not_of(" \t\r") == std::string::npos)
                    continue;
                FileRecord r;
                try {
                    r = parseRecordLine(line);
                } catch (const std::invalid_argument& e) {
                    throw Failure(input + ", line " + std::to_string(number) + ": " + e.what() + "; nothing was imported");
                }
                if (files.insert(r.file).second)
                    db->createFile(r.file);
                db->write(r.file, db->makeRecord(r.file, std::move(r.key), std::move(r.fields)));
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

int show(const std::string& path, const std::string& file, const std::string& key) {
    auto db = openExisting(path);
    auto record = db->OpenFile(file).ReadRecord(key);
    std::cout << recordLine(file, record) << "\n";
    return 0;
}

void select(const std::string& path, const std::string& sentence, const std::string& file, const std::string& fields) {
    auto db = openExisting(path);
    Request q;
    q.set(1, sentence);
    q.set(2, file);
    q.set(3, fields);
    auto table = db->RunSelect(q.text());
    for (const auto& row : table.rows()) {
        nlohmann::json j = row;
        std::cout << j.dump() << "\n";
    }
}

void exportBudget(const std::string& path, const std::string& entity, const std::string& year,
                  const std::string& format, const std::string& output, bool withActuals) {
    auto db = openExisting(path);
    BudgetSheet sheet = readBudgetSheet(*db, entity, year);
    if (withActuals)
        compareWithActuals(*db, sheet);
    if (format == "xlsx") {
        writeBudgetXlsx(sheet, totalsOf(*db, sheet), output);
    } else {
        std::ofstream out(output, std::ios::binary);
        writeBudgetCsv(sheet, out);
        if (!out.flush())
            throw Failure("impossible d'écrire " + output);
    }
    std::cout << sheet.lines.size() << " lignes budgétaires de l'entité " << entity << " (" << year << ") exportées dans "
              << output << "\n";
}

void printReport(const BudgetWriteReport& report, bool dryRun) {
    for (const auto& fault : report.faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    for (const auto& kept : report.kept)
        std::cout << "déjà présente, laissée telle quelle : " << kept << "\n";
    if (!report.faults.empty())
        throw Failure(std::to_string(report.faults.size()) + " ligne(s) refusée(s) ; rien n'a été écrit");
    std::cout << (dryRun ? "à blanc, rien n'a été écrit : " : "") << report.created << " ligne(s) nouvelle(s), "
              << report.changed << " modifiée(s), " << report.unchanged << " inchangée(s)\n";
}

void importFec(const std::string& path, const std::string& input, const std::string& entity) {
    std::ifstream in(input, std::ios::binary);
    if (!in)
        throw Failure("cannot read " + input);
    const ActualsImport report = importActuals(*openExisting(path, Database::Access::ReadWrite), padCode(entity), in);
    for (const auto& fault : report.faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    if (!report.faults.empty())
        throw Failure("le réalisé n'a pas été importé ; rien n'a été écrit");
    std::cout << report.postings << " ligne(s) d'écriture lue(s), dont " << report.counted << " de classe 6 ou 7";
    for (const auto& [year, accounts] : report.accountsByYear)
        std::cout << " ; exercice " << year << " remplacé : " << accounts << " compte(s)";
    std::cout << "\n";
}

void importBudget(const std::string& path, const std::string& input, bool dryRun) {
    std::vector<std::string> faults;
    std::vector<BudgetRow> rows;
    try {
        rows = readBudgetFile(input, faults);
    } catch (const std::runtime_error& e) {
        throw Failure(e.what());
    }
    for (const auto& fault : faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    if (!faults.empty())
        throw Failure(std::to_string(faults.size()) + " ligne(s) illisible(s) ; rien n'a été écrit");
    printReport(writeBudgetRows(openExisting(path, Database::Access::ReadWrite), rows, true, dryRun), dryRun);
}

std::int64_t percentHundredths(const std::string& text) {
    const auto hundredths = parsePercentage(text);
    if (!hundredths)
        throw Failure("the percentage \"" + text + "\" must be a number from -100 to 1000 with at most two decimals");
    return *hundredths;
}

// A profile of the entity's, with the number of periods of the year it is applied to.
Profile profileFor(Database& db, const std::string& entity, const std::string& name, std::size_t periods) {
    const auto profile = readProfile(db, entity, name);
    if (!profile)
        throw Failure("l'entité " + entity + " n'a pas de profil « " + name + " »");
    if (profile->shares.size() != periods)
        throw Failure("le profil « " + name + " » a " + std::to_string(profile->shares.size()) +
                      " part(s), l'exercice " + std::to_string(periods) + " période(s)");
    return *profile;
}

void copyBudget(const std::string& path, const std::string& entity, const std::string& from, const std::string& to,
                const std::string& percent, bool replace, const std::string& profileName) {
    if (from == to)
        throw Failure("--from and --to must name two different years");
    auto db = openExisting(path, Database::Access::ReadWrite);
    const BudgetSheet source = readBudgetSheet(*db, entity, from);
    const BudgetSheet target = readBudgetSheet(*db, entity, to);
    auto rows = copiedRows(source, to, target.periodLabels.size(), percentHundredths(percent));
    if (!profileName.empty()) {
        const Profile profile = profileFor(*db, entity, profileName, target.periodLabels.size());
        for (auto& row : rows) {
            row.line.periods.clear();
            const auto amounts = spreadByProfile(row.line.total, profile.shares);
            for (std::size_t p = 0; p < amounts.size(); ++p)
                row.line.periods.emplace_back(static_cast<int>(p), amounts[p]);
        }
    }
    printReport(writeBudgetRows(db, rows, replace, false), false);
}

void makeProfile(const std::string& path, const std::string& entity, const std::string& name,
                 const std::string& shares, const std::string& fromActuals, const std::string& accounts) {
    auto db = openExisting(path, Database::Access::ReadWrite);
    if (!db->read("ASSOCIATION", entity))
        throw Failure("l'entité " + entity + " n'existe pas");
    std::optional<Profile> profile;
    std::string why;
    if (!fromActuals.empty()) {
        if (accounts.empty() || !allDigits(accounts) || accounts.size() > kAccountLength)
            throw Failure("--accounts takes the first digits of the accounts, 1 to 10 of them: 6, 64, 6064…");
        profile = profileFromActuals(*db, entity, fromActuals, name, accounts);
        why = "l'entité n'a aucune charge réalisée en " + fromActuals + " sur les comptes " + accounts + "…";
    } else {
        profile = parseProfile(name, shares, why);
    }
    if (!profile)
        throw Failure("le profil n'a pas été enregistré : " + why);
    saveProfile(*db, entity, *profile);
    std::cout << "profil « " << profile->name << " » de l'entité " << entity << " :";
    for (std::int64_t s : profile->shares)
        std::cout << " " << percentageText(s);
    std::cout << "\n";
}

// On a server the role also gets what its level on the budget screen needs on the
// tables: reading, and writing at full rights. The level of any other screen key
// leaves the tables' grants as they are.
void setRights(const std::string& path, const std::string& user, const std::string& key, std::int32_t level) {
    auto db = openExisting(path, Database::Access::ReadWrite);
    db->inOneTransaction([&] {
        db->setAccessLevel(user, key, level);
        if (key == kScreenKey && !db->grantAccess(user, level == kFullRights))
            throw Failure("the server has no role " + user + ": create it (CREATE ROLE " + user +
                          " LOGIN), then give it its rights again");
    });
    std::cout << user << " has level " << level << " on " << key << "\n";
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

// A field's values as one JSON array, or a single value as a JSON text.
std::string fieldText(const std::vector<std::string>& values) {
    return values.size() == 1 ? nlohmann::json(values[0]).dump() : nlohmann::json(values).dump();
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
        const std::size_t fields = std::max(before->size(), r.fields.size());
        for (std::size_t f = 0; f < fields && !r.deleted; ++f) {
            const auto& was = f < before->size() ? (*before)[f] : std::vector<std::string>{};
            const auto& now = f < r.fields.size() ? r.fields[f] : std::vector<std::string>{};
            if (was == now)
                continue;
            std::cout << "  field " << f + 1 << ": ";
            if (!was.empty())
                std::cout << fieldText(was) << " -> ";
            std::cout << (now.empty() ? "(empty)" : fieldText(now)) << "\n";
        }
        before = &r.fields;
    }
}

}  // namespace

// Every DB argument: a file, or a server database.
constexpr const char* kDatabaseHelp = "database file or postgresql:// URI";

int main(int argc, char** argv) {
    CLI::App app{"ondrel-admin: the budget screen's database, for the people who run it"};
    app.require_subcommand(1);
    std::string db, file, key, input, sentence, fields, user;
    std::vector<std::string> files;
    std::int32_t level = 0;

    // DB is a file path, or a postgresql:// URI of a server database.
    auto* initCmd = app.add_subcommand("init", "create an empty database of the suite (never overwrites)");
    initCmd->add_option("DB", db, kDatabaseHelp)->required();
    auto* initDemoCmd = app.add_subcommand("init-demo", "create a demo database (never overwrites)");
    initDemoCmd->add_option("DB", db, kDatabaseHelp)->required();
    std::string target;
    auto* copyCmd = app.add_subcommand("copy", "copy a whole database into a new one, file or server; all or nothing");
    copyCmd->add_option("FROM", db, "database to copy")->required();
    copyCmd->add_option("TO", target, "new database, file or postgresql:// URI")->required();
    auto* historyCmd = app.add_subcommand("history", "list the revisions of a record, oldest first, with what changed");
    historyCmd->add_option("DB", db, kDatabaseHelp)->required();
    historyCmd->add_option("FILE", file, "file name")->required();
    historyCmd->add_option("KEY", key, "record key")->required();
    auto* imp = app.add_subcommand("import", "import JSON Lines records; all or nothing");
    imp->add_option("DB", db, "database file or postgresql:// URI (created when missing)")->required();
    imp->add_option("FILE", input, "JSON Lines file")->required();
    auto* exp = app.add_subcommand("export", "export records as JSON Lines, file by file, key by key");
    exp->add_option("DB", db, kDatabaseHelp)->required();
    exp->add_option("FILE", files, "files to export (all when none)");
    auto* sh = app.add_subcommand("show", "print one record as a JSON line");
    sh->add_option("DB", db, kDatabaseHelp)->required();
    sh->add_option("FILE", file, "file name")->required();
    sh->add_option("KEY", key, "record key")->required();
    auto* sel = app.add_subcommand("select", "run a select sentence and print its rows");
    sel->add_option("DB", db, kDatabaseHelp)->required();
    sel->add_option("SENTENCE", sentence, "select sentence")->required();
    sel->add_option("FILE", file, "file name")->required();
    sel->add_option("FIELDS", fields, "field list")->required();
    std::string entity, year, format = "csv", output;
    auto* exportBudgetCmd = app.add_subcommand("export-budget", "export an entity's budget for one year as CSV or XLSX");
    exportBudgetCmd->add_option("DB", db, kDatabaseHelp)->required();
    exportBudgetCmd->add_option("--entity", entity, "entity code")->required();
    exportBudgetCmd->add_option("--year", year, "N or N+1")->required()->check(CLI::IsMember({"N", "N+1"}));
    exportBudgetCmd->add_option("--format", format, "csv or xlsx")->check(CLI::IsMember({"csv", "xlsx"}));
    exportBudgetCmd->add_option("--output", output, "file to write")->required();
    bool withActuals = false;
    exportBudgetCmd->add_flag("--with-actuals", withActuals, "add the actuals of import-actuals and the variances");
    bool dryRun = false, replace = false;
    std::string from, to, percent = "0";
    auto* importBudgetCmd = app.add_subcommand("import-budget", "import budget lines from the CSV or the XLSX of export-budget; all or nothing");
    importBudgetCmd->add_option("DB", db, kDatabaseHelp)->required();
    importBudgetCmd->add_option("FILE", input, "CSV file")->required();
    importBudgetCmd->add_flag("--dry-run", dryRun, "check and count, write nothing");
    auto* importActualsCmd = app.add_subcommand(
        "import-actuals", "import an entity's actuals from its FEC; replaces each fiscal year it covers, all or nothing");
    importActualsCmd->add_option("DB", db, kDatabaseHelp)->required();
    importActualsCmd->add_option("FILE", input, "FEC file (tab or | separated, UTF-8 or ISO 8859-15)")->required();
    importActualsCmd->add_option("--entity", entity, "entity code")->required();
    auto* copyBudgetCmd = app.add_subcommand("copy-budget", "copy an entity's budget from one year to the other");
    copyBudgetCmd->add_option("DB", db, kDatabaseHelp)->required();
    copyBudgetCmd->add_option("--entity", entity, "entity code")->required();
    copyBudgetCmd->add_option("--from", from, "N or N+1")->required()->check(CLI::IsMember({"N", "N+1"}));
    copyBudgetCmd->add_option("--to", to, "N or N+1")->required()->check(CLI::IsMember({"N", "N+1"}));
    copyBudgetCmd->add_option("--percent", percent, "raise (or lower, negative) every amount by this percentage");
    copyBudgetCmd->add_flag("--replace", replace, "replace the lines already in the target year");
    std::string profileName, shares, fromActuals, accounts = "6";
    copyBudgetCmd->add_option("--profile", profileName, "spread each copied total by this seasonal profile of the entity");
    auto* profileCmd = app.add_subcommand("profile", "keep a seasonal profile of an entity: the share of each period");
    profileCmd->add_option("DB", db, kDatabaseHelp)->required();
    profileCmd->add_option("--entity", entity, "entity code")->required();
    profileCmd->add_option("--name", profileName, "the profile's name")->required();
    auto* sharesOption = profileCmd->add_option("--shares", shares, "the shares of the periods, \"8,5;8,5;…\", adding up to 100");
    profileCmd->add_option("--from-actuals", fromActuals, "made from the charges actually spent in N or N+1")
        ->check(CLI::IsMember({"N", "N+1"}))
        ->excludes(sharesOption);
    profileCmd->add_option("--accounts", accounts,
                           "with --from-actuals, the accounts that begin with these digits: one account (6064), a class "
                           "(64); all charges (6) by default");
    auto* rights = app.add_subcommand("rights", "set the access level of a user for a screen key");
    rights->add_option("DB", db, kDatabaseHelp)->required();
    rights->add_option("USER", user, "user name")->required();
    rights->add_option("SCREENKEY", key, "screen key, such as ONDREL")->required();
    rights->add_option("LEVEL", level, "access level; 2 is full rights")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }
    hidePasswordsInArguments(argc, argv);
    try {
        if (*initCmd)
            init(db);
        else if (*initDemoCmd)
            initDemo(db);
        else if (*copyCmd)
            copyDatabase(db, target);
        else if (*historyCmd)
            printHistory(db, file, key);
        else if (*imp)
            importFile(db, input);
        else if (*exp)
            exportFiles(db, files);
        else if (*sh)
            show(db, file, key);
        else if (*sel)
            select(db, sentence, file, fields);
        else if (*rights)
            setRights(db, user, key, level);
        else if (*exportBudgetCmd)
            exportBudget(db, entity, year, format, output, withActuals);
        else if (*importBudgetCmd)
            importBudget(db, input, dryRun);
        else if (*importActualsCmd)
            importFec(db, input, entity);
        else if (*copyBudgetCmd)
            copyBudget(db, entity, from, to, percent, replace, profileName);
        else if (*profileCmd)
            makeProfile(db, padCode(entity), profileName, shares, fromActuals, accounts);
        return 0;
    } catch (const DataError& e) {
        if (e.number() == kRecordNotFound)
            std::cerr << "ondrel-admin: no record of key " << key << " in " << file << "\n";
        else
            std::cerr << "ondrel-admin: " << hidePasswords(e.what()) << "\n";
    } catch (const std::exception& e) {
        std::cerr << "ondrel-admin: " << hidePasswords(e.what()) << "\n";
    }
    return 1;
}
