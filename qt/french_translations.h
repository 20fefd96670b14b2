#pragma once

#include <QCoreApplication>

namespace ondrel {

// Qt's own dialogs (files, printing, the buttons of an input box) speak French, from
// the translations that Qt ships. False when they are not installed: the dialogs then
// stay in English.
bool speakFrench(QCoreApplication& app);

// The file of those translations, or an empty text when they are not installed.
QString frenchTranslationsFile();

}  // namespace ondrel
