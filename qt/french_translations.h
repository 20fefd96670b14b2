#pragma once

#include <QCoreApplication>

namespace ondrel {

// Qt's own dialogs (files, printing, the buttons of an input box) speak French, from
// the translations that Qt ships. False when they are not installed: the dialogs then
// stay in English.
bool speakFrench(QCoreApplication& app);

}  // namespace ondrel
