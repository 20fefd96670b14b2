#include "platform/help.h"

#include <cstdlib>
#include <filesystem>

namespace ondrel {

// Where the program stands decides: installed, its pages are in share/ondrel/help
// beside its bin/; in a build tree, the build copies them under the programs.
std::string helpFolder() {
    if (const char* folder = std::getenv("ONDREL_HELP_DIR"); folder && *folder)
        return folder;
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "help";
    const std::filesystem::path here = program.parent_path();
    for (const auto& folder : {here / ".." / "share" / "ondrel" / "help", here / "share" / "ondrel" / "help"})
        if (std::filesystem::is_directory(folder, ec))
            return std::filesystem::weakly_canonical(folder, ec).string();
    return (here / ".." / "share" / "ondrel" / "help").string();
}

}  // namespace ondrel
