#pragma once
// Qt's own texts in German: the file dialogs, the colour dialog, the print dialogs and the
// overwrite question come from Qt, the rest of the window is German anyway.
class QCoreApplication;
class QTranslator;

namespace lumeno::ui {

// Loads Qt's German translation (qtbase_de.qm) into app, whatever the user's locale, from
// Qt's translations folder or else from "translations" beside the program. Call once after
// the application object exists. Returns the installed translator (owned by app; remove it
// with QCoreApplication::removeTranslator), or nullptr when the file is found nowhere: Qt's
// dialogs then keep their English texts and nothing else changes.
QTranslator* InstallQtGermanTranslations(QCoreApplication& app);

} // namespace lumeno::ui
