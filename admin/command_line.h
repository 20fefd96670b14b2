// admin: ondrel-admin's commands, each a subcommand of its command line, and what they
// make and read besides the budget: the demo database, the JSON Lines form of records,
// the files of a new database. Stands on versions, which stand on actuals and sheets; reaches the
// store itself to copy, import and export whole databases record by record.
#pragma once

#include <functional>
#include <stdexcept>

#include <CLI/CLI.hpp>

namespace ondrel {

// A failure the tool reports in one line, with exit status 1.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the command line asked for, run once its arguments are parsed and the
// passwords in them hidden.
using Command = std::function<void()>;

// A subcommand of the tool whose run is chosen when the command line names it.
CLI::App* subcommand(CLI::App& tool, Command& chosen, const char* name, const char* what, Command run);

// Each adds its subcommands to the tool; the one that the command line names leaves
// its run in chosen.
void addDatabaseCommands(CLI::App& tool, Command& chosen);
void addBudgetCommands(CLI::App& tool, Command& chosen);
void addActualsCommands(CLI::App& tool, Command& chosen);
void addVersionCommands(CLI::App& tool, Command& chosen);
void addGroupCommands(CLI::App& tool, Command& chosen);

// export-budget --group: the group's year, a row an account; or, by entity, each
// member's lines as import-budget reads them back.
enum class GroupExport { ByAccount, ByEntity };
void exportGroup(const std::string& db, const std::string& group, const std::string& year, const std::string& format,
                 const std::string& output, GroupExport layout);

// Every DB argument: a file, or a server database.
inline constexpr const char* kDatabaseHelp = "database file or postgresql:// URI";

}  // namespace ondrel
