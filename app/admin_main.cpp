// app: the programs' mains. ondrel-admin, the tool of the people who run the suite:
// its commands live in admin. Stands on admin; hides the passwords of its arguments
// with the store's mask before anything can show them.
#include <iostream>

#include "admin/command_line.h"
#include "store/password_mask.h"

using namespace ondrel;

int main(int argc, char** argv) {
    CLI::App tool{"ondrel-admin: the budget screen's database, for the people who run it", "ondrel-admin"};
    tool.set_version_flag("--version", "ondrel-admin " ONDREL_VERSION);
    tool.require_subcommand(1);
    Command chosen;
    addDatabaseCommands(tool, chosen);
    addBudgetCommands(tool, chosen);
    addActualsCommands(tool, chosen);
    addVersionCommands(tool, chosen);
    addGroupCommands(tool, chosen);
    try {
        tool.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return tool.exit(e) == 0 ? 0 : 2;
    }
    hidePasswordsInArguments(argc, argv);
    try {
        chosen();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "ondrel-admin: " << hidePasswords(e.what()) << "\n";
    }
    return 1;
}
