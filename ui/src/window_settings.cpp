// Window places and per-kind folders in the program's per-user settings.
#include "window_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

namespace lumeno::ui {
namespace {

QSettings Store() {
    return QSettings(QStringLiteral("Corvana"), QStringLiteral("PDF Lumeno"));
}

QString FolderKey(TFolder kind) {
    switch (kind) {
    case TFolder::Photos:
        return QStringLiteral("Folders/Photos");
    case TFolder::Shows:
        return QStringLiteral("Folders/Shows");
    case TFolder::Pdf:
        return QStringLiteral("Folders/Pdf");
    case TFolder::Html:
        return QStringLiteral("Folders/Html");
    case TFolder::Video:
        return QStringLiteral("Folders/Video");
    case TFolder::Music:
        return QStringLiteral("Folders/Music");
    }
    return QStringLiteral("Folders/Other");
}

const TFolder* gCurrentKind = nullptr;

} // namespace

void SaveWindowGeometry(const QWidget& window, const QString& key) {
    Store().setValue(key + QStringLiteral("/Geometry"), window.saveGeometry());
}

bool RestoreWindowGeometry(QWidget& window, const QString& key) {
    const QByteArray stored = Store().value(key + QStringLiteral("/Geometry")).toByteArray();
    // Qt moves a place that lies off every screen back onto the nearest one.
    return !stored.isEmpty() && window.restoreGeometry(stored);
}

QString RememberedFolder(TFolder kind) {
    const QString dir = Store().value(FolderKey(kind)).toString();
    return !dir.isEmpty() && QFileInfo(dir).isDir() ? dir : QString();
}

void RememberFolder(TFolder kind, const QString& chosenFile) {
    if (chosenFile.isEmpty()) return;
    Store().setValue(FolderKey(kind), QFileInfo(chosenFile).absolutePath());
}

TFolderScope::TFolderScope(TFolder kind) : Previous(gCurrentKind), Kind(kind) {
    gCurrentKind = &Kind;
}

TFolderScope::~TFolderScope() {
    gCurrentKind = Previous;
}

const TFolder* CurrentFolderKind() {
    return gCurrentKind;
}

} // namespace lumeno::ui
