#pragma once

#include <QSize>
#include <QWidget>

#include "screen/zone.h"

namespace ondrel {

// The room a zone's widget needs for what it reads to read whole, with the fonts present:
// the text of a label, a button, an option or a check box, a frame's title, a date.
// The height counts only where the zone cannot grow alone; 0 where nothing is asked.
QSize captionRoom(const Zone& zone, QWidget& widget);
// Options, check boxes and labels may stand a little taller than their zone.
bool growsAlone(const Zone& zone);

}  // namespace ondrel
