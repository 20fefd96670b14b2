#pragma once

#include <string>

namespace ondrel {

// The demo database of the user, in their data folder: XDG_DATA_HOME when it is an
// absolute path (a relative one is ignored, as the desktop's rules say), otherwise
// ~/.local/share.
std::string demoDatabasePath();

// Makes the folder where it is missing. Raises std::runtime_error, in French, for a
// folder that cannot be made or written: said to be that, not a file that cannot be
// read.
void makeDataFolder(const std::string& folder);

}  // namespace ondrel
