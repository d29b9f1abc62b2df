// The export page's video: size and music kept in the program's settings, the music checked
// before anything is written, and the export itself through RunExport.
#include "dialogs.h"
#include "lumeno/export/video_show.h"
#include "main_form.h"
#include "messages.h"
#include "settings_store.h"
#include "window_settings.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace lumeno::ui {
namespace {

constexpr char kExportSection[] = "Export";
constexpr char kVideoSizeKey[] = "VideoSize"; // "1920x1080"
constexpr char kMusicKey[] = "VideoMusic";    // the music file's path; absent: none

void StoreExportValue(const char* key, const QVariant& value) {
    const std::unique_ptr<QSettings> store = OpenSettings();
    store->beginGroup(QLatin1String(kExportSection));
    if (value.isNull())
        store->remove(QLatin1String(key));
    else
        store->setValue(QLatin1String(key), value);
    store->endGroup();
}

QString SizeText(const QSize& size) {
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

bool IsReadableMusic(const QString& file) {
    return IsReadableAudio(QFile::encodeName(file).toStdString());
}

} // namespace

void TMainForm::RestoreVideoChoices() {
    const std::unique_ptr<QSettings> store = OpenSettings();
    store->beginGroup(QLatin1String(kExportSection));
    const QString size = store->value(QLatin1String(kVideoSizeKey)).toString();
    MusicFile = store->value(QLatin1String(kMusicKey)).toString();
    store->endGroup();
    for (int i = 0; i < C.VideoSizeCombo->count(); ++i)
        if (SizeText(C.VideoSizeCombo->itemData(i).toSize()) == size)
            C.VideoSizeCombo->setCurrentIndex(i);
    ShowMusicFile();
    connect(
        C.VideoSizeCombo, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
            StoreExportValue(kVideoSizeKey, SizeText(C.VideoSizeCombo->itemData(index).toSize()));
        });
}

void TMainForm::ShowMusicFile() {
    const QString name =
        MusicFile.isEmpty() ? Text(TMsg::NoMusic) : QFileInfo(MusicFile).fileName();
    C.MusicLabel->setText(
        C.MusicLabel->fontMetrics().elidedText(name, Qt::ElideMiddle, C.MusicLabel->width()));
    C.MusicLabel->setToolTip(MusicFile);
    C.NoMusicBtn->setEnabled(!MusicFile.isEmpty());
}

void TMainForm::MusicBtnClick() {
    QString file;
    {
        const TFolderScope folder(TFolder::Music);
        file = Dialogs().GetOpenFileName(this, Text(TMsg::MusicTitle), Text(TMsg::MusicFilter));
    }
    if (file.isEmpty()) return;
    if (!IsReadableMusic(file)) {
        Dialogs().MessageBox(this, MusicUnusableText(file, !QFileInfo::exists(file)),
                             Text(TMsg::AppTitle), mbOK, TMsgIcon::Error);
        return;
    }
    MusicFile = file;
    StoreExportValue(kMusicKey, MusicFile);
    ShowMusicFile();
}

void TMainForm::NoMusicBtnClick() {
    MusicFile.clear();
    StoreExportValue(kMusicKey, QVariant());
    ShowMusicFile();
}

void TMainForm::SaveVideoBtnClick() {
    if (Job) return;
    // The music may have gone since it was chosen: said before a name is asked for.
    if (!MusicFile.isEmpty() && !IsReadableMusic(MusicFile)) {
        Dialogs().MessageBox(this, MusicUnusableText(MusicFile, !QFileInfo::exists(MusicFile)),
                             Text(TMsg::AppTitle), mbOK, TMsgIcon::Error);
        return;
    }
    const TFolderScope folder(TFolder::Video);
    const QString name =
        Dialogs().GetSaveFileName(this, Text(TMsg::SaveVideoTitle), Text(TMsg::VideoFilter),
                                  QStringLiteral("mp4"), true, LastVideoName);
    if (name.isEmpty()) return;
    LastVideoName = name;
    RunExport(name, TExportKind::Video);
}

} // namespace lumeno::ui
