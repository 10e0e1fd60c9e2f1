#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace belvan {

void InstallRussianQtTranslations(QCoreApplication& app) {
    for (const char* catalog : {"qtbase", "qtserialport"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QLocale(QLocale::Russian), QString::fromLatin1(catalog),
                             QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(translator);
    }
}

}  // namespace belvan
