#pragma once

#include <QIcon>
#include <QString>

namespace ondrel {

// The mark of a line that has a note, as a spreadsheet marks a commented cell: a small
// corner beside the label, the note itself in the label's tip.
QIcon noteMark();
// The tip of a label with a note: the note, its lines kept.
QString noteTip(const QString& note);

}  // namespace ondrel
