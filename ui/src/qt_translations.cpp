#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace lumeno::ui {

QTranslator* InstallQtGermanTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const QString& folder :
         {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
          QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}

} // namespace lumeno::ui
