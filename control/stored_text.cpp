#include "control/crt_ondrel.h"
#include "screen/utf8_text.h"

namespace ondrel {

// A tab or a record separator pasted into a code or a label would be stored as it is,
// and the separator would split the field into several values.
bool Crt_Ondrel::refuseControlChars(Zone& zone) {
    if (!holdsControlChar(zone.text()))
        return false;
    screen_.showError(controlCharRefusal());
    zone.setText("");
    return true;
}

}  // namespace ondrel
