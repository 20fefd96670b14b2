#include "platform/help.h"

#include <cstdlib>

namespace ondrel {

std::string helpFolder() {
    if (const char* folder = std::getenv("ONDREL_HELP_DIR"); folder && *folder)
        return folder;
    return ONDREL_HELP_DIR;
}

}  // namespace ondrel
