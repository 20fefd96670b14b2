#pragma once

#include <string>

namespace ondrel {

// The name of the person running the program, for the rights store.
std::string loginName();

}  // namespace ondrel
