#pragma once

#include <string>

namespace ondrel {

// A folder of the data the programs ship (help pages, icons), found under share/
// beside their bin/ as installed, or in the build tree beside the programs; the
// installed place when neither exists.
std::string shippedFolder(const std::string& relative);

}  // namespace ondrel
