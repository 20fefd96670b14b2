#pragma once

#include <cstdint>

#include "data/data_error.h"

namespace ondrel {

// A zone operation that cannot be done: the focus given to a zone that cannot take it,
// an item index outside the list. Raised as an error with a number, like every
// failure that can reach the host.
constexpr std::uint32_t kInvalidCall = 0x800A0005;

}  // namespace ondrel
