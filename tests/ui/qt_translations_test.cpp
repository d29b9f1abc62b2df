// Qt's own dialogs speak German like the rest of the window.
#include "qt_translations.h"
#include "ui_test_support.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QTranslator>

namespace lumeno::ui::test {
namespace {

TEST(QtTranslations, FileDialogButtonsReadGerman) {
    App();
    QTranslator* german = InstallQtGermanTranslations(App());
    ASSERT_NE(german, nullptr) << "qtbase_de.qm missing (Debian package qt6-translations-l10n)";
    {
        QFileDialog dialog(nullptr, QStringLiteral("Fotos hinzufügen"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        auto* box = dialog.findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->button(QDialogButtonBox::Open)->text(), QString::fromUtf8("&Öffnen"));
        EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
        QStringList labels;
        for (const QLabel* l : dialog.findChildren<QLabel*>())
            labels << l->text();
        EXPECT_TRUE(labels.contains(QStringLiteral("Suchen in:")))
            << labels.join('|').toStdString();
    }
    QCoreApplication::removeTranslator(german);
    delete german;
}

} // namespace
} // namespace lumeno::ui::test
