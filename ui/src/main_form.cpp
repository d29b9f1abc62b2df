// TMainForm: the behaviour of the main window: the handlers of the photos, search, settings
// and export pages, project files, the status bar's progress and closing. The controls are
// built in main_form_layout.cpp, input from them arrives in main_form_events.cpp; the photo
// strip is in photo_strip.cpp.
#include "main_form.h"

#include "about_box.h"
#include "color_combo.h"
#include "dialogs.h"
#include "event_counts.h"
#include "export_job.h"
#include "image_button.h"
#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/bitmap/photo_problem.h"
#include "lumeno/core/text.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/shell_open.h"
#include "lumeno/frontend/shared_words.h"
#include "lumeno/project/caption_search.h"
#include "lumeno/project/project_file.h"
#include "maker.h"
#include "messages.h"
#include "photo_strip.h"
#include "settings_store.h"
#include "show_edits.h"
#include "spin_edit.h"
#include "status_bar.h"
#include "view_pic_form.h"
#include "window_settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QShortcutEvent>
#include <QStandardPaths>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QUrl>
#include <QWheelEvent>

namespace lumeno::ui {
namespace {

// Message boxes "without a title of their own" carry the application's title.
QString AppTitle() {
    return Text(TMsg::AppTitle);
}

QString FromPath(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}
std::string ToPath(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// The caption editor works with line feeds; captions hold CR LF (or lone CR).
QString CaptionForEditor(const std::string& cp1252) {
    QString t = QString::fromUtf8(CaptionToUtf8(cp1252).c_str());
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

std::string CaptionFromEditor(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return CaptionFromUtf8(t.toStdString());
}

} // namespace

TMainForm::TMainForm(QStringList commandLine, QWidget* parent)
    : QWidget(parent), CommandLine(std::move(commandLine)) {
    C = BuildMainFormControls(this);
    RestoreWindowGeometry(*this, QStringLiteral("MainForm"));
    Strip_ = new TPhotoStrip(Show_, *this, C.ScrollBox1, C.PaintBox1, C.KeyEdit, &LoadProgress);
    C.StatusBar1->DrawPanel = [this](QPainter& p, const QRect& r) { StatusBar1DrawPanel(p, r); };
    ConnectControls();

    ShellOpen = [](const std::string& target) { return ShellOpenFile(target); };
    ShowViewer = [this](TDib& image, const QString& fileName) {
        C.ViewPicForm->Image = image;
        C.ViewPicForm->ImageFileName = fileName;
        C.ViewPicForm->ShowModal();
        C.ViewPicForm->Image = TDib{}; // the caller releases the picture
    };

    RestoreExportChoices();
    RestoreVideoChoices();

    // FormCreate: empty show, photo 1 current, every setting at its default.
    Show_.CurFoto = 1;
    SetSettings(TShowSettings{});
    PaintBox1Paint();
    AutosaveClean = ProjectFileBytes(Show_, Settings());
    AutosaveTimer = new QTimer(this);
    connect(AutosaveTimer, &QTimer::timeout, this, [this] { Autosave(); });
    AutosaveTimer->start(30000);
}

TMainForm::~TMainForm() {
    // Closing the widgets below may still make them signal (a spin field ends its edit when
    // it is hidden): nothing may reach this window's slots once its own part is gone.
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
    // A running export is stopped and its file removed before the window goes.
    Job.reset();
    // A normal end: the recovery file is not needed any more.
    RemoveRecoveryFile();
    // FormDestroy: the show with all cached thumbnails is released.
    FreeAllPics();
}

void TMainForm::ConnectControls() {
    connect(C.NewBtn, &QToolButton::clicked, this, &TMainForm::NewBtnClick);
    connect(C.OpenBtn, &QToolButton::clicked, this, &TMainForm::OpenBtnClick);
    connect(C.SaveAsBtn, &QToolButton::clicked, this, &TMainForm::SaveAsBtnClick);
    connect(C.NewFotoBtn, &QPushButton::clicked, this, &TMainForm::NewFotoBtnClick);
    connect(C.DelFotoBtn, &QPushButton::clicked, this, &TMainForm::DelFotoBtnClick);
    connect(C.NachVornBtn, &QPushButton::clicked, this, &TMainForm::NachVornBtnClick);
    connect(C.NachHintenBtn, &QPushButton::clicked, this, &TMainForm::NachHintenBtnClick);
    connect(C.Memo1, &QPlainTextEdit::textChanged, this, &TMainForm::Memo1Change);
    C.KeyEdit->installEventFilter(this);
    C.ScrollBox1->viewport()->installEventFilter(this);
    C.ScrollBox1->viewport()->setAcceptDrops(true);
    C.PaintBox1->installEventFilter(this);
    // A wheel turned anywhere on the photos page scrolls the strip.
    for (QWidget* w : C.TabSheet2->findChildren<QWidget*>())
        w->installEventFilter(this);
    connect(C.SearchBtn, &QPushButton::clicked, this, &TMainForm::SearchBtnClick);
    connect(C.SearchEdit, &QLineEdit::returnPressed, this, &TMainForm::SearchBtnClick);
    for (TSpinEdit* e : {C.TextXEd, C.TextYEd, C.FontSizeEd})
        connect(e, qOverload<int>(&QSpinBox::valueChanged), this, &TMainForm::ShowCaptionHints);
    for (TTesselColorComboBox* b :
         {C.TesselColorComboBox1, C.TesselColorComboBox2, C.TesselColorComboBox3})
        connect(b, &TTesselColorComboBox::Change, this, &TMainForm::ShowCaptionHints);
    // A double click anywhere in the list, on a row or on blank space, jumps to the selected row.
    C.ListView2->viewport()->installEventFilter(this);
    C.ListView2->installEventFilter(this);
    connect(C.SaveHtmlBtn, &QPushButton::clicked, this, &TMainForm::SaveHtmlBtnClick);
    connect(C.SavePDFBtn, &QPushButton::clicked, this, &TMainForm::SavePDFBtnClick);
    connect(C.SaveVideoBtn, &QPushButton::clicked, this, &TMainForm::SaveVideoBtnClick);
    connect(C.MusicBtn, &QPushButton::clicked, this, &TMainForm::MusicBtnClick);
    connect(C.NoMusicBtn, &QPushButton::clicked, this, &TMainForm::NoMusicBtnClick);
    connect(C.CancelExportBtn, &QPushButton::clicked, this, [this] {
        if (!Job) return;
        Job->Cancel();
        C.CancelExportBtn->setEnabled(false);
    });
    connect(C.wwwBtn, &QToolButton::clicked, this, &TMainForm::wwwBtnClick);
    connect(C.ueberbtn, &TImageBtn::clicked, this, &TMainForm::ueberbtnClick);
    connect(C.EndeBtn, &TImageBtn::clicked, this, &TMainForm::EndeBtnClick);
    connect(C.PageControl2, &QTabWidget::currentChanged, this, &TMainForm::PageControl2Change);
    PageControl2Change();
    ConnectUndo();
}

void TMainForm::ConnectUndo() {
    Undo_ = new QUndoStack(this);
    // The window's history serves the caption editor too; its own would undo typing behind
    // the window's back.
    C.Memo1->setUndoRedoEnabled(false);
    QAction* undo = Undo_->createUndoAction(this);
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = Undo_->createRedoAction(this);
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    addAction(undo);
    addAction(redo);
}

void TMainForm::PageControl2Change() {
    // "Ö&ffnen...", "&Fotos hinzufügen..." and "&Fotos suchen..." share Alt+F. Qt only moves
    // the focus for a key two visible buttons share, so the showing page's button wins and
    // the toolbar's Open button keeps the key on the pages without one.
    const QKeySequence key = QKeySequence::mnemonic(C.OpenBtn->text());
    bool taken = false;
    for (const QAbstractButton* b :
         C.PageControl2->currentWidget()->findChildren<QAbstractButton*>())
        taken = taken || QKeySequence::mnemonic(b->text()) == key;
    C.OpenBtn->setShortcut(taken ? QKeySequence() : key);
}

// --- Settings ----------------------------------------------------------------------------

TShowSettings TMainForm::Settings() const {
    TShowSettings s;
    s.FadeTime = C.TimeEd->Value();
    s.PauseTime = C.TimeEd2->Value();
    s.BackColor = C.TesselColorComboBox1->ColorValue();
    s.TextColor = C.TesselColorComboBox3->ColorValue();
    s.OutlineColor = C.TesselColorComboBox2->ColorValue();
    s.TextX = C.TextXEd->Value();
    s.TextY = C.TextYEd->Value();
    s.FontSize = C.FontSizeEd->Value();
    s.FadeInOut = C.Blende1Check->isChecked();
    s.FullScreen = C.VollScreenCheck->isChecked();
    s.ShowPDF = C.ShowPDFCheck->isChecked();
    return s;
}

void TMainForm::SetSettings(const TShowSettings& s) {
    C.TimeEd->SetValue(s.FadeTime);
    C.TimeEd2->SetValue(s.PauseTime);
    C.TesselColorComboBox1->SetColorValue(s.BackColor);
    C.TesselColorComboBox3->SetColorValue(s.TextColor);
    C.TesselColorComboBox2->SetColorValue(s.OutlineColor);
    C.TextXEd->SetValue(s.TextX);
    C.TextYEd->SetValue(s.TextY);
    C.FontSizeEd->SetValue(s.FontSize);
    (s.FadeInOut ? C.Blende1Check : C.Blende2Check)->setChecked(true);
    C.VollScreenCheck->setChecked(s.FullScreen);
    C.ShowPDFCheck->setChecked(s.ShowPDF);
    ShowCaptionHints();
}

void TMainForm::ShowCaptionHints() {
    C.CaptionHint->setText(CaptionHintsText(CaptionHints(Settings())));
}

// --- Photos page ---------------------------------------------------------------------------

void TMainForm::SetMemoText(const QString& text) {
    // Setting the editor's text from the program is not an edit: it must not overwrite the
    // current photo's caption (emptying the editor after Open would otherwise erase the
    // caption of photo 1).
    SettingMemo = true;
    C.Memo1->setPlainText(text);
    SettingMemo = false;
}

QString OpenFilterForQt(const QString& pairs) {
    QStringList out;
    const QStringList parts = pairs.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i].trimmed();
        QStringList patterns;
        for (QString pat : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            pat = pat.trimmed();
            if (pat == QStringLiteral("*.*")) pat = QStringLiteral("*"); // every file, dot or not
            patterns << pat;
            // File systems here tell case apart; cameras write "*.JPG".
            if (pat.toUpper() != pat) patterns << pat.toUpper();
        }
        const int paren = desc.indexOf(QLatin1Char('('));
        if (paren >= 0) desc = desc.left(paren).trimmed();
        out << desc + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QString PhotoOpenFilter() {
    size_t count = 0;
    const TDibOpenFormat* formats = GetDIBOpenFormats(&count);
    QStringList pairs;
    for (size_t i = 0; i < count; ++i)
        pairs << OpenKindText(formats[i].Kind) << QString::fromLatin1(formats[i].Patterns);
    return OpenFilterForQt(pairs.join(QLatin1Char('|')));
}

void TMainForm::NewFotoBtnClick() {
    // The filter is asked for every time: the library decides which formats it reads.
    const TFolderScope folder(TFolder::Photos);
    const QStringList files =
        Dialogs().GetOpenFileNames(this, Text(TMsg::AddPhotosTitle), PhotoOpenFilter());
    if (files.isEmpty()) return;
    AddPhotoFiles(files);
}

void TMainForm::AddPhotoFiles(const QStringList& files) {
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const QString& f : files)
        paths.push_back(ToPath(f));
    PushEdit(AddPhotosEdit(Show_, paths, C.FilenamesCheck->isChecked(), [this] { ShowEdited(); }));
}

QStringList DroppedPhotoFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    // The picture formats are the patterns of the library's filter, without "all files".
    QSet<QString> suffixes;
    size_t count = 0;
    const TDibOpenFormat* formats = GetDIBOpenFormats(&count);
    for (size_t i = 0; i < count; ++i)
        for (const QString& pattern :
             QString::fromLatin1(formats[i].Patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (formats[i].Kind != TDibOpenKind::AllFiles &&
                pattern.startsWith(QStringLiteral("*.")))
                suffixes.insert(pattern.mid(2).toLower());
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isFile() && suffixes.contains(info.suffix().toLower()))
            files << info.absoluteFilePath();
    }
    return files;
}

void TMainForm::PushEdit(QUndoCommand* edit) {
    if (!edit) return;
    Undo_->push(edit);
    PaintBox1Paint();
}

void TMainForm::ShowEdited() {
    ++CaptionBurst;
    Strip_->ScrollImageInView();
    PaintBox1Paint();
}

void TMainForm::DelFotoBtnClick() {
    PushEdit(DeletePhotoEdit(Show_, [this] { ShowEdited(); }));
}

void TMainForm::NachVornBtnClick() {
    PushEdit(MovePhotoEdit(Show_, true, [this] { ShowEdited(); }));
}

void TMainForm::NachHintenBtnClick() {
    PushEdit(MovePhotoEdit(Show_, false, [this] { ShowEdited(); }));
}

void TMainForm::Memo1Change() {
    if (SettingMemo) return;
    const TFotoRecord* cur = Show_.Current();
    if (!cur) return; // typed while no photo is current: stored nowhere
    std::string text = CaptionFromEditor(C.Memo1->toPlainText());
    if (text == cur->Text) return;
    // Not PushEdit: the strip does not change while typing.
    Undo_->push(CaptionEdit(Show_, std::move(text), CaptionBurst, [this] { ShowEdited(); }));
}

void TMainForm::adibchanged() {
    const TFotoRecord* cur = Show_.Current();
    if (!cur) {
        MemoPhoto = 0;
        if (!C.Memo1->document()->isEmpty()) SetMemoText(QString());
        return;
    }
    // Typing into another photo starts a new undo step.
    if (MemoPhoto != Show_.CurFoto) ++CaptionBurst;
    MemoPhoto = Show_.CurFoto;
    // Compared as the editor shows it, so the cursor stays where it is while the user types.
    const QString caption = CaptionForEditor(cur->Text);
    if (C.Memo1->toPlainText() != caption) SetMemoText(caption);
}

void TMainForm::FreeAllPics() {
    Show_.FreeAllPics();
}

void TMainForm::NewBtnClick() {
    if (Dialogs().MessageBox(this, Text(TMsg::LoseUnsaved), Text(TMsg::FileNewTitle),
                             mbOK | mbCancel, TMsgIcon::Question) != mbOK)
        return;
    TSlideShow empty;
    TakeShow(empty, TShowSettings{});
    PaintBox1Paint();
}

void TMainForm::TakeShow(TSlideShow& read, const TShowSettings& settings) {
    Show_.ReplaceWith(read);
    SetSettings(settings);
    // The new show starts at its first photo, at the top of the strip, with no history.
    C.ScrollBox1->verticalScrollBar()->setValue(0);
    Undo_->clear();
    ++CaptionBurst;
    MemoPhoto = 0;
    AutosaveClean = ProjectFileBytes(Show_, Settings());
    RemoveRecoveryFile();
}

// --- Project files -------------------------------------------------------------------------

void TMainForm::ShowProjectError(const QString& text) {
    Dialogs().MessageBox(this, text, AppTitle(), mbOK, TMsgIcon::Error);
}

void TMainForm::SaveAsBtnClick() {
    const TFolderScope folder(TFolder::Shows);
    const QString name = Dialogs().GetSaveFileName(
        this, Text(TMsg::SaveAsTitle), Text(TMsg::ProjectFilter), QStringLiteral("lmo"), true);
    if (name.isEmpty()) return;
    const ProjectWriteResult r = WriteProjectFile(ToPath(name), Show_, Settings());
    if (!r.ok) {
        ShowProjectError(ProjectFileMessage(r.code, name, r.detail, TFileAccess::kWrite));
        return;
    }
    // Saved: a recovery file is not needed for this state.
    AutosaveClean = ProjectFileBytes(Show_, Settings());
}

void TMainForm::OpenBtnClick() {
    if (Dialogs().MessageBox(this, Text(TMsg::LoseUnsaved), Text(TMsg::FileOpenTitle),
                             mbOK | mbCancel, TMsgIcon::Question) != mbOK)
        return;
    const TFolderScope folder(TFolder::Shows);
    const QString name =
        Dialogs().GetOpenFileName(this, Text(TMsg::OpenTitle), Text(TMsg::ProjectFilter));
    if (!name.isEmpty()) OpenFileNow(name);
    PaintBox1Paint();
}

namespace {

// False when reading gave nothing to show: the file could not be opened, is no project file,
// or is damaged before its first photo.
bool YieldedAShow(const ProjectReadResult& r, const TSlideShow& read) {
    switch (r.code) {
    case ProjectFileError::CannotOpen:
    case ProjectFileError::NotLumeno:
        return false;
    case ProjectFileError::Damaged:
        return read.Count() > 0;
    default:
        return true;
    }
}

} // namespace

bool TMainForm::OpenFileNow(const QString& fileName) {
    TSlideShow read;
    const ProjectReadResult r = ReadProjectFile(ToPath(fileName), read, Settings());
    if (YieldedAShow(r, read)) TakeShow(read, r.settings);
    PaintBox1Paint();
    if (r.code == ProjectFileError::None) return true;
    Dialogs().MessageBox(
        this, ProjectFileMessage(r.code, fileName, r.detail, TFileAccess::kRead), AppTitle(), mbOK,
        r.code == ProjectFileError::TrailingData ? TMsgIcon::Warning : TMsgIcon::Error);
    return false;
}

void TMainForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!ShownOnce) {
        ShownOnce = true;
        // After the window is on screen, so a message about the file has a window to sit on.
        QTimer::singleShot(0, this, [this] { FormShow(); });
    }
}

void TMainForm::FormShow() {
    // A restored show is unsaved work; a file named on the command line is safe on disk.
    if (OfferRecovery() || CommandLine.isEmpty()) return;
    OpenFileNow(CommandLine.first());
    PaintBox1Paint();
}

// --- Recovery file -------------------------------------------------------------------------

QString TMainForm::RecoveryFileName() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/wiederherstellen.lmo");
}

void TMainForm::SetAutosaveInterval(int ms) {
    AutosaveTimer->start(ms);
}

bool TMainForm::Autosave() {
    const TShowSettings settings = Settings();
    const std::string bytes = ProjectFileBytes(Show_, settings);
    if (bytes == AutosaveClean) {
        RemoveRecoveryFile();
        return true;
    }
    if (bytes == AutosaveWritten) return true;
    const QString name = RecoveryFileName();
    const QFileInfo info(name);
    // The folder holds the user's captions and paths: for the user's eyes only.
    if (!QDir().mkpath(info.path())) return false;
    QFile::setPermissions(info.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!WriteProjectFile(ToPath(name), Show_, settings, true).ok) return false;
    AutosaveWritten = bytes;
    return true;
}

void TMainForm::RemoveRecoveryFile() {
    if (AutosaveWritten.empty()) return;
    QFile::remove(RecoveryFileName());
    AutosaveWritten.clear();
}

bool TMainForm::OfferRecovery() {
    const QString name = RecoveryFileName();
    if (!QFileInfo::exists(name)) return false;
    TSlideShow read;
    const ProjectReadResult r = ReadProjectFile(ToPath(name), read, Settings());
    const QDateTime saved = QFileInfo(name).lastModified();
    if (!YieldedAShow(r, read) ||
        Dialogs().MessageBox(this, RecoveryQuestion(read.Count(), saved), Text(TMsg::RecoveryTitle),
                             mbYes | mbNo, TMsgIcon::Question) != mbYes) {
        QFile::remove(name);
        return false;
    }
    TakeShow(read, r.settings);
    // Still unsaved work: kept in the recovery file until it is saved or the program ends.
    AutosaveWritten = ProjectFileBytes(Show_, Settings());
    TSlideShow none;
    AutosaveClean = ProjectFileBytes(none, TShowSettings{});
    PaintBox1Paint();
    return true;
}

// --- Search page ---------------------------------------------------------------------------

void TMainForm::SearchBtnClick() {
    ResultPositions.clear();
    C.ListView2->clear();
    const std::vector<TSearchRow> rows = SearchCaptions(Show_, C.SearchEdit->text().toStdString());
    QList<QTreeWidgetItem*> items;
    for (const TSearchRow& r : rows) {
        // The single-line column shows line breaks as blanks.
        QString caption = QString::fromUtf8(CaptionToUtf8(r.Caption).c_str());
        caption.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        caption.replace(QLatin1Char('\r'), QLatin1Char(' '));
        caption.replace(QLatin1Char('\n'), QLatin1Char(' '));
        items.append(new QTreeWidgetItem({FromPath(r.FileName), caption}));
        ResultPositions.push_back(r.Position);
    }
    C.ListView2->addTopLevelItems(items);
}

void TMainForm::ListView2DblClick() {
    QTreeWidgetItem* item = C.ListView2->currentItem();
    if (!item || !item->isSelected()) return;
    const int row = C.ListView2->indexOfTopLevelItem(item);
    if (row < 0 || row >= int(ResultPositions.size())) return;
    Show_.CurFoto = ResultPositions[row] + 1;
    C.PageControl2->setCurrentWidget(C.TabSheet2);
    Strip_->ScrollImageInView();
    PaintBox1Paint();
}

bool TMainForm::ListView2KeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    ListView2DblClick();
    return true;
}

// --- Export --------------------------------------------------------------------------------

void TMainForm::SavePDFBtnClick() {
    if (Job) return;
    const TFolderScope folder(TFolder::Pdf);
    const QString name =
        Dialogs().GetSaveFileName(this, Text(TMsg::SavePdfTitle), Text(TMsg::PdfFilter),
                                  QStringLiteral("pdf"), true, LastPdfName);
    if (name.isEmpty()) return;
    LastPdfName = name;
    RunExport(name, TExportKind::Pdf);
}

void TMainForm::SaveHtmlBtnClick() {
    if (Job) return;
    const TFolderScope folder(TFolder::Html);
    const QString name =
        Dialogs().GetSaveFileName(this, Text(TMsg::SaveHtmlTitle), Text(TMsg::HtmlFilter),
                                  QStringLiteral("html"), true, LastHtmlName);
    if (name.isEmpty()) return;
    LastHtmlName = name;
    RunExport(name, TExportKind::Html);
}

namespace {
constexpr char kExportSection[] = "Export";
constexpr char kPhotoPagesKey[] = "PhotoPages";
} // namespace

// Photo pages are what makes a PDF play in every viewer, so a new user has them; what the
// user chose is kept the moment it is chosen (the project file does not carry it).
void TMainForm::RestoreExportChoices() {
    const std::unique_ptr<QSettings> store = OpenSettings();
    store->beginGroup(QLatin1String(kExportSection));
    C.PhotoPagesCheck->setChecked(store->value(QLatin1String(kPhotoPagesKey), true).toBool());
    store->endGroup();
    connect(C.PhotoPagesCheck, &QCheckBox::toggled, this, [](bool on) {
        const std::unique_ptr<QSettings> settings = OpenSettings();
        settings->beginGroup(QLatin1String(kExportSection));
        settings->setValue(QLatin1String(kPhotoPagesKey), on);
        settings->endGroup();
    });
}

void TMainForm::RunExport(const QString& name, TExportKind kind) {
    const bool html = kind == TExportKind::Html;
    TExportOptions options;
    options.Html = html;
    options.Video = kind == TExportKind::Video;
    if (options.Video) {
        const QSize size = C.VideoSizeCombo->currentData().toSize();
        options.VideoFormat.Width = size.width();
        options.VideoFormat.Height = size.height();
        options.VideoFormat.MusicFile = ToPath(MusicFile);
        ExportMusic = MusicFile;
    }
    options.PhotoPages = kind == TExportKind::Pdf && C.PhotoPagesCheck->isChecked();
    options.Loop = html && C.LoopCheck->isChecked();
    options.HtmlFullSize = html && C.HtmlFullSizeCheck->isChecked();
    options.KeepJpeg = !options.Video && C.KeepJpegCheck->isChecked();
    options.Words = frontend::DocumentWords();
    const TShowSettings settings = Settings();
    ExportName = name;
    ExportKind = kind;
    // "PDF-Datei nach dem Erzeugen anzeigen" also shows the HTML slide show in the browser and
    // plays the video.
    ExportShowResult = settings.ShowPDF;
    ExportKeepJpeg = options.KeepJpeg;
    // The job works on a copy: the show may be edited while the file is written.
    Job = std::make_unique<TExportJob>(ExportPhotosOf(Show_.Fotos), settings, ToPath(name),
                                       std::move(options));
    ExportClock.start();
    SetExportButtonsEnabled(false);
    C.ExportStateLabel->setToolTip(name);
    C.CancelExportBtn->setEnabled(true);
    C.CancelExportBtn->show();
    ExportProgressed(0, Show_.Count(), -1, Show_.Count() == 0);
    Job->Start(
        [this](const TExportJob::TProgress& p) {
            ExportProgressed(p.done, p.total, p.percent, p.writing);
        },
        [this](const TExportResult& r) { ExportFinished(r); });
}

void TMainForm::SetExportButtonsEnabled(bool on) {
    for (QPushButton* b : {C.SavePDFBtn, C.SaveHtmlBtn, C.SaveVideoBtn})
        b->setEnabled(on);
}

void TMainForm::ExportProgressed(int done, int total, int percent, bool writing) {
    if (!Job) return;
    C.ExportStateLabel->setText(ExportProgressText(done, total, writing));
    // The bar stands for the whole export: the photos written and the share of the next one.
    int whole = 100;
    if (!writing && total > 0)
        whole = static_cast<int>((done * 100LL + std::max(percent, 0)) / total);
    SetProStatus(whole);
}

void TMainForm::WaitForExport() {
    while (Job) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (Job) QThread::msleep(2);
    }
}

void TMainForm::ExportFinished(const TExportResult& r) {
    // The job has ended its thread; it goes once this call is over.
    Job.release()->deleteLater();
    SetExportButtonsEnabled(true);
    C.CancelExportBtn->hide();
    SetProStatus(0);
    if (r.code == TExportCode::kCancelled) {
        C.ExportStateLabel->setText(ExportCancelledText());
        return;
    }
    if (!r.ok) {
        C.ExportStateLabel->clear();
        const QString text = ExportKind == TExportKind::Video  ? VideoText(r, ExportMusic)
                             : ExportKind == TExportKind::Html ? HtmlShowText(r)
                                                               : ExportText(r);
        Dialogs().MessageBox(this, text, AppTitle(), mbOK, TMsgIcon::Error);
        return;
    }
    C.ExportStateLabel->setText(
        ExportDoneText(QFileInfo(ExportName).fileName(), r.photos, ExportClock.elapsed() / 1000.0));
    if (ExportKeepJpeg) C.StatusBar1->SetPanelText(TakenOverText(r.takenOver, r.photos));
    if (!r.unreadable.empty())
        Dialogs().MessageBox(this, UnreadablePhotosText(r.unreadable, ExportKind), AppTitle(), mbOK,
                             TMsgIcon::Warning);
    if (!r.brokenProfiles.empty())
        Dialogs().MessageBox(this, BrokenProfilesText(r.brokenProfiles, ExportKind), AppTitle(),
                             mbOK, TMsgIcon::Warning);
    if (!r.missingCharacters.empty())
        Dialogs().MessageBox(this, MissingCharactersText(r.missingCharacters, ExportKind),
                             AppTitle(), mbOK, TMsgIcon::Warning);
    // Settings that hide the captions were exported as they are; the user learns why.
    const QString hints = CaptionHintsText(CaptionHints(Settings()));
    if (!hints.isEmpty()) Dialogs().MessageBox(this, hints, AppTitle(), mbOK, TMsgIcon::Warning);
    if (ExportShowResult && ShellOpen) {
        const std::string path = ToPath(ExportName);
        const std::string shortName = ShortFileName(path);
        if (!ShellOpen(shortName.empty() ? path : shortName))
            Dialogs().MessageBox(this, OpenResultFailedText(ExportName, ExportKind), AppTitle(),
                                 mbOK, TMsgIcon::Warning);
    }
}

// --- Photo strip --------------------------------------------------------------------------

QString PositionText(const TSlideShow& show) {
    if (!show.HasCurrent()) return Text(TMsg::NoPicture);
    return PositionOf(show.CurFoto, show.Count());
}

void TMainForm::PaintBox1Paint() {
    Strip_->Repaint();
    adibchanged();
    C.StatusBar1->SetPanelText(PositionText(Show_));
    if (TFotoRecord* cur = Show_.Current())
        C.Label1->setText(QString::fromUtf8(cur->FileName.c_str()));
    else
        C.Label1->clear();
}

void TMainForm::OpenCurrentPhoto() {
    TFotoRecord* cur = Show_.Current();
    if (!cur) return;
    ScopedDib image;
    TDib loaded{};
    OpenDib(&loaded, cur->FileName.c_str(), 0, &LoadProgress);
    image.reset(loaded);
    SetProStatus(0);
    if (image.empty()) {
        // The fixed sentence first, then which file and why.
        const QString text = Text(TMsg::PictureNotOpened) + QStringLiteral("\n\n") +
                             FromPath(cur->FileName) + QStringLiteral("\n") +
                             PhotoProblemText(WhyPhotoUnreadable(cur->FileName));
        Dialogs().MessageBox(this, text, Text(TMsg::ErrorTitle), mbOK, TMsgIcon::Error);
        return;
    }
    if (ShowViewer) ShowViewer(*image.get(), QString::fromUtf8(cur->FileName.c_str()));
}

bool TMainForm::PhotosPageShown() const {
    return C.PageControl2->currentWidget() == C.TabSheet2;
}

// --- Bottom bar and closing ----------------------------------------------------------------

void TMainForm::wwwBtnClick() {
    if (ShellOpen) ShellOpen(kHomePage);
}

void TMainForm::ueberbtnClick() {
    TAboutBox box(this);
    box.exec();
}

void TMainForm::EndeBtnClick() {
    close();
}

bool TMainForm::FormCloseQuery() {
    return Dialogs().MessageBox(this, Text(TMsg::QuitQuestion), Text(TMsg::QuitTitle),
                                mbOK | mbCancel, TMsgIcon::Information) == mbOK;
}

void TMainForm::closeEvent(QCloseEvent* e) {
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    // Ending during an export stops it; its file is removed, a file it would replace stays.
    Job.reset();
    // A normal end: the recovery file goes, and no later change writes it again.
    AutosaveTimer->stop();
    RemoveRecoveryFile();
    SaveWindowGeometry(*this, QStringLiteral("MainForm"));
    e->accept();
}

// --- Status bar progress -------------------------------------------------------------------

void TMainForm::SetProStatus(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent < Percent) {
        Percent = percent;
        counts::Add(*this, counts::kStatusBarFullRepaints);
        C.StatusBar1->repaint();
    } else {
        // A step too small to widen the bar by a pixel is not drawn: the library reports every
        // percent, and a narrow panel shows far fewer steps.
        const int w = ProgressRect.width();
        const bool same = ProgressRect.isValid() && w * percent / 100 == w * Percent / 100;
        Percent = percent;
        if (!same) SBarPaintMore();
    }
}

void TMainForm::SBarPaintMore() {
    counts::Add(*this, counts::kStatusBarBarRepaints);
    // Drawn now, not at the next turn of the event loop: the bar has to move while a large
    // photo is still loading inside this same event.
    if (ProgressRect.isValid() && C.StatusBar1->isVisible()) C.StatusBar1->repaint(ProgressRect);
}

void TMainForm::StatusBar1DrawPanel(QPainter& painter, const QRect& rect) {
    ProgressRect = rect;
    const int w = rect.width() * Percent / 100;
    if (w <= 0) return;
    const QColor navy(0, 0, 128);
    painter.setPen(navy);
    painter.setBrush(navy);
    painter.drawRect(QRect(rect.left(), rect.top(), w, rect.height()).adjusted(0, 0, -1, -1));
}

} // namespace lumeno::ui
