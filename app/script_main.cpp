// app: the programs' mains. ondrel-script, a person at the budget screen on a real
// database. Stands on driver; signs in with the platform's login name and hides
// passwords with the store's mask, as every main does.
#include <fstream>
#include <iostream>
#include <optional>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "platform/login_name.h"
#include "driver/script_session.h"
#include "store/password_mask.h"

using namespace ondrel;

int main(int argc, char** argv) {
    CLI::App app{"ondrel-script: drives the budget screen as a person would, and prints what they see", "ondrel-script"};
    app.set_version_flag("--version", "ondrel-script " ONDREL_VERSION);
    std::string dbPath, user = loginName(), scriptPath;
    std::optional<std::int32_t> level;
    app.add_option("--db", dbPath, "database file, or postgresql:// URI of a server database")->required();
    app.add_option("--user", user, "user name for the rights store (default: the login name; on a server, its role)");
    app.add_option("--access-level", level, "access level answered for every screen key");
    app.add_option("SCRIPT", scriptPath, "script file (default: standard input)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    hidePasswordsInArguments(argc, argv);

    std::shared_ptr<Database> db;
    try {
        db = Database::open(dbPath);
        user = db->signIn(user);
    } catch (const std::exception& e) {
        std::cerr << "ondrel-script: " << hidePasswords(e.what()) << "\n";
        return 1;
    }
    std::ifstream file;
    if (!scriptPath.empty()) {
        file.open(scriptPath);
        if (!file) {
            std::cerr << "ondrel-script: cannot read " << scriptPath << "\n";
            return 2;
        }
    }
    std::istream& in = scriptPath.empty() ? std::cin : file;

    auto rights = level ? fixedRights(*level) : storedRights(db, user);
    ScriptSession session(db, rights, ClientContext{user, db->location()}, std::cout);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        try {
            session.run(line);
        } catch (const ScriptError& e) {
            nlohmann::ordered_json j;
            j["scriptError"] = {{"line", n}, {"text", e.what()}};
            std::cout << j.dump() << std::endl;
            return 2;
        }
    }
    return 0;
}
