// PDFLumeno: the desktop slide-show program.
#include "main_form.h"
#include "qt_translations.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PDF Lumeno"));
    // The installed menu entry and icon (packaging/) carry this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.pdflumeno.PDFLumeno"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("de.pdflumeno.PDFLumeno")));
    QApplication::setFont(lumeno::ui::DefaultFont());
    lumeno::ui::InstallQtGermanTranslations(app);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    lumeno::ui::TMainForm form(args);
    form.show();
    return app.exec();
}
