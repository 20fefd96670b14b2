#include "platform/help.h"

#include <cstdlib>

#include "platform/install_paths.h"

namespace ondrel {

// Where the program stands decides: installed, its pages are in share/ondrel/help
// beside its bin/; in a build tree, the build copies them under the programs.
std::string helpFolder() {
    if (const char* folder = std::getenv("ONDREL_HELP_DIR"); folder && *folder)
        return folder;
    return shippedFolder("ondrel/help");
}

}  // namespace ondrel
