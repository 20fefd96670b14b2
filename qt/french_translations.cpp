#include "qt/french_translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace ondrel {

bool speakFrench(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load("qtbase_fr", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString frenchTranslationsFile() {
    QTranslator translator;
    return translator.load("qtbase_fr", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ? translator.filePath()
                                                                                          : QString();
}

}  // namespace ondrel
