#pragma once

#include <string>

#include "screen/screen.h"

namespace ondrel {

// What the period lines on screen add up to against the amount to budget, for the
// host's status bar: "Réparti 916,67 sur 1 000,00"; empty while no line is on screen.
std::string spreadStatus(Screen& screen);

}  // namespace ondrel
