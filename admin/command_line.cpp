#include "admin/command_line.h"

namespace ondrel {

CLI::App* subcommand(CLI::App& tool, Command& chosen, const char* name, const char* what, Command run) {
    auto* command = tool.add_subcommand(name, what);
    command->callback([&chosen, run = std::move(run)] { chosen = run; });
    return command;
}

}  // namespace ondrel
