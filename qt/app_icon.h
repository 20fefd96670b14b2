#pragma once

#include <QIcon>

namespace ondrel {

// The program's icon for its windows: the desktop's theme has it where Ondrel is
// installed; otherwise the sizes shipped beside the programs.
QIcon appIcon();

}  // namespace ondrel
