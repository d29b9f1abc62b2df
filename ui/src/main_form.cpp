// TMainForm: construction of the window and the handlers of the photos, search, settings and
// export pages. The photo strip's handlers are in photo_strip.cpp.
#include "main_form.h"

#include "about_box.h"
#include "artwork.h"
#include "color_combo.h"
#include "dialogs.h"
#include "image_button.h"
#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/bitmap/draw_dib.h"
#include "lumeno/core/text.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/shell_open.h"
#include "lumeno/project/caption_search.h"
#include "lumeno/project/project_file.h"
#include "photo_strip.h"
#include "qt_draw_target.h"
#include "spin_edit.h"
#include "status_bar.h"
#include "view_pic_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace lumeno::ui {
namespace {

const QColor kHeaderColour(240, 202, 166);
const QColor kColumnColour(192, 220, 192);
constexpr int kHeaderHeight = 33;
constexpr int kColumnWidth = 209;
// 638 x 512 is the size of the whole window with its frame; this is its client area.
constexpr int kClientWidth = 630;
constexpr int kClientHeight = 485;

// Message boxes "without a title of their own" carry the application's title.
QString AppTitle() {
    return QStringLiteral("PDF Lumeno");
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
    return Utf8ToCp1252(t.toStdString());
}

// Lays out its children through a callback whenever its size changes.
class TWorkArea : public QWidget {
  public:
    using QWidget::QWidget;
    std::function<void()> OnResize;

  protected:
    void resizeEvent(QResizeEvent*) override {
        if (OnResize) OnResize();
    }
};

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geo) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geo);
    b->setAutoDefault(false);
    return b;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QPoint at, int width = 110) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(at.x(), at.y() + 3, width, 16);
    return l;
}

// Swallows the user's input while an export runs; painting and timers go on.
class TInputBlocker : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Close:
            e->ignore();
            return true;
        default:
            return false;
        }
    }
};

class TExportFeedback : public TExportProgress {
  public:
    explicit TExportFeedback(TMainForm* form) : Form(form) {}
    void PhotoLoadProgress(int percent) override { Form->SetProStatus(percent); }
    void Pump() override { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

  private:
    TMainForm* Form;
};

} // namespace

QFont DefaultFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSize(8);
    return f;
}

TMainForm::TMainForm(QStringList commandLine, QWidget* parent)
    : QWidget(parent), CommandLine(std::move(commandLine)) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Corvana PDF Lumeno 1.0"));
    setFont(DefaultFont());
    resize(kClientWidth, kClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    BuildToolbar(outer);

    PageControl2 = new QTabWidget(this);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    PageControl2->setDocumentMode(false);
    PageControl2->setIconSize(QSize(16, 16));
    PageControl2->tabBar()->setAttribute(Qt::WA_Hover);
    outer->addWidget(PageControl2, 1);
    const artwork::TIcon icons[] = {artwork::TIcon::Photos, artwork::TIcon::Search,
                                    artwork::TIcon::Settings, artwork::TIcon::Pdf};
    const char* tabs[] = {"Fotos", "Suchen", "Einstellungen", "PDF-Datei erzeugen"};
    QWidget* areas[4] = {};
    for (int i = 0; i < 4; ++i) {
        QWidget* page = BuildPage(i, areas[i]);
        PageControl2->addTab(page, QIcon(artwork::Icon(icons[i])), QString::fromUtf8(tabs[i]));
    }
    TabSheet2 = PageControl2->widget(0);
    TabSheet3 = PageControl2->widget(1);
    TabSheet5 = PageControl2->widget(2);
    TabSheet1 = PageControl2->widget(3);
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    TabSheet5->setObjectName(QStringLiteral("TabSheet5"));
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    BuildPhotosPage(areas[0]);
    BuildSearchPage(areas[1]);
    BuildSettingsPage(areas[2]);
    BuildExportPage(areas[3]);
    PageControl2->setCurrentIndex(0);

    BuildBottomBar(outer);
    StatusBar1 = new TStatusBar(this);
    StatusBar1->DrawPanel = [this](QPainter& p, const QRect& r) { StatusBar1DrawPanel(p, r); };
    outer->addWidget(StatusBar1);

    ShellOpen = [](const std::string& target) { ShellOpenFile(target); };
    // The picture viewer is made once, hidden, and reused for every photo.
    ViewPicForm = new TViewPicForm(this);
    ShowViewer = [this](TDib& image, const QString& fileName) {
        ViewPicForm->Image = image;
        ViewPicForm->ImageFileName = fileName;
        ViewPicForm->ShowModal();
        ViewPicForm->Image = TDib{}; // the caller releases the picture
    };

    // FormCreate: empty show, photo 1 current, every setting at its default.
    Show_.CurFoto = 1;
    SetSettings(TShowSettings{});
    PaintBox1Paint();
}

TMainForm::~TMainForm() {
    // FormDestroy: the show with all cached thumbnails is released.
    FreeAllPics();
}

void TMainForm::BuildToolbar(QVBoxLayout* outer) {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setFixedHeight(27);
    struct TSpec {
        const char* Name;
        const char* Caption;
        const char* Hint;
        artwork::TIcon Icon;
        void (TMainForm::*Handler)();
        QToolButton** Out;
    } specs[] = {
        {"NewBtn", "&Neu", "Neue Lumeno erstellen", artwork::TIcon::New, &TMainForm::NewBtnClick,
         &NewBtn},
        {"OpenBtn", "Ö&ffnen...", "Lumeno öffnen...", artwork::TIcon::Open,
         &TMainForm::OpenBtnClick, &OpenBtn},
        {"SaveAsBtn", "&Speichern unter...", "Lumeno speichern unter...", artwork::TIcon::Save,
         &TMainForm::SaveAsBtnClick, &SaveAsBtn},
    };
    const int xs[] = {8, 129, 250};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(specs[i].Name));
        b->setText(QString::fromUtf8(specs[i].Caption));
        b->setToolTip(QString::fromUtf8(specs[i].Hint));
        b->setIcon(QIcon(artwork::Icon(specs[i].Icon)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setGeometry(xs[i], 1, 121, 25);
        auto handler = specs[i].Handler;
        connect(b, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
        *specs[i].Out = b;
    }
    outer->addWidget(bar);
}

QWidget* TMainForm::BuildPage(int index, QWidget*& workArea) {
    static const char* headers[] = {
        "Fotos verwalten - Fotos hinzufügen, löschen und Texte zu den Bildern schreiben",
        "Fotos suchen - Die Texte zu den Fotos nach Stichworten durchsuchen",
        "Diverse Einstellungen - Hier können Sie das Seitenlayout festlegen",
        "PDF-Datei erzeugen - Hier können Sie nun die PDF-Datei erzeugen"};
    static const char* titles[] = {"Fotos verwalten...", "Fotos suchen...",
                                   "Diverse Einstellungen...", "PDF-Datei erzeugen..."};
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto* header = new QLabel(QString::fromUtf8(headers[index]), page);
    header->setObjectName(QStringLiteral("HeaderPanel%1").arg(index));
    header->setFixedHeight(kHeaderHeight);
    header->setAutoFillBackground(true);
    QPalette hp = header->palette();
    hp.setColor(QPalette::Window, kHeaderColour);
    hp.setColor(QPalette::WindowText, Qt::black);
    header->setPalette(hp);
    QFont bold = DefaultFont();
    bold.setBold(true);
    header->setFont(bold);
    header->setContentsMargins(8, 0, 8, 0);
    header->setWordWrap(true);
    v->addWidget(header);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    v->addLayout(row, 1);

    auto* column = new QWidget(page);
    column->setObjectName(QStringLiteral("LeftColumn%1").arg(index));
    column->setFixedWidth(kColumnWidth);
    column->setAutoFillBackground(true);
    QPalette cp = column->palette();
    cp.setColor(QPalette::Window, kColumnColour);
    column->setPalette(cp);
    auto* picture = new QLabel(column);
    picture->setPixmap(artwork::ColumnPicture(index));
    picture->setGeometry(8, 8, 193, 281);
    auto* title = new QLabel(QString::fromUtf8(titles[index]), column);
    title->setObjectName(QStringLiteral("TitleBox%1").arg(index));
    title->setGeometry(16, 16, 177, 73);
    title->setAutoFillBackground(true);
    title->setPalette(hp);
    QPalette tp = hp;
    tp.setColor(QPalette::WindowText, QColor(128, 0, 0));
    title->setPalette(tp);
    QFont titleFont(QStringLiteral("Liberation Sans"));
    titleFont.setPointSize(14);
    titleFont.setWeight(QFont::Black);
    title->setFont(titleFont);
    title->setWordWrap(true);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setContentsMargins(6, 0, 4, 0);
    row->addWidget(column);

    auto* area = new TWorkArea(page);
    area->setObjectName(QStringLiteral("WorkArea%1").arg(index));
    row->addWidget(area, 1);
    workArea = area;
    return page;
}

void TMainForm::BuildPhotosPage(QWidget* area) {
    NewFotoBtn = MakeButton(area, "NewFotoBtn", QStringLiteral("&Fotos hinzufügen..."),
                            QRect(8, 8, 129, 25));
    DelFotoBtn =
        MakeButton(area, "DelFotoBtn", QStringLiteral("Foto &löschen"), QRect(144, 8, 113, 25));
    NachVornBtn =
        MakeButton(area, "NachVornBtn", QStringLiteral("Nach vorne"), QRect(264, 8, 105, 25));
    NachVornBtn->setToolTip(QStringLiteral("Verschiebt das Bild in der Reihenfolge"));
    NachHintenBtn =
        MakeButton(area, "NachHintenBtn", QStringLiteral("Nach hinten"), QRect(264, 32, 105, 25));
    FilenamesCheck = new QCheckBox(QStringLiteral("Dateinamen als Vorgabetext"), area);
    FilenamesCheck->setObjectName(QStringLiteral("FilenamesCheck"));
    FilenamesCheck->setGeometry(8, 40, 200, 17);
    Label3 = new QLabel(QStringLiteral("Text zu diesem Foto:"), area);
    Label3->setObjectName(QStringLiteral("Label3"));
    Memo1 = new QPlainTextEdit(area);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTabChangesFocus(true);

    // KeyEdit first, so the scroll area lies above it and hides it.
    KeyEdit = new QLineEdit(area);
    KeyEdit->setObjectName(QStringLiteral("KeyEdit"));
    KeyEdit->setReadOnly(true);
    ScrollBox1 = new QScrollArea(area);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    // Below and beside the cells the strip shows the application-workspace grey.
    QPalette sp = ScrollBox1->palette();
    sp.setColor(QPalette::Dark, QColor(128, 128, 128));
    sp.setColor(QPalette::Base, QColor(128, 128, 128));
    sp.setColor(QPalette::Window, QColor(128, 128, 128));
    ScrollBox1->setPalette(sp);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    PaintBox1 = new TPhotoStripBox(this, nullptr);
    ScrollBox1->setWidget(PaintBox1);
    Label1 = new QLabel(area);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextInteractionFlags(Qt::NoTextInteraction);

    connect(NewFotoBtn, &QPushButton::clicked, this, &TMainForm::NewFotoBtnClick);
    connect(DelFotoBtn, &QPushButton::clicked, this, &TMainForm::DelFotoBtnClick);
    connect(NachVornBtn, &QPushButton::clicked, this, &TMainForm::NachVornBtnClick);
    connect(NachHintenBtn, &QPushButton::clicked, this, &TMainForm::NachHintenBtnClick);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TMainForm::Memo1Change);
    connect(ScrollBox1->verticalScrollBar(), &QScrollBar::valueChanged, PaintBox1, [this] {
        FailedThumbs.clear();
        PaintBox1->update();
    });
    KeyEdit->installEventFilter(this);
    ScrollBox1->viewport()->installEventFilter(this);
    PaintBox1->installEventFilter(this);

    static_cast<TWorkArea*>(area)->OnResize = [this] { LayoutPhotosPage(); };
}

void TMainForm::LayoutPhotosPage() {
    QWidget* area = Memo1->parentWidget();
    const int w = area->width(), h = area->height();
    Label3->setGeometry(8, 62, w - 16, 16);
    Memo1->setGeometry(8, 79, w - 16, 63);
    const int labelH = 16;
    const int stripTop = 146;
    const int stripH = std::max(20, h - stripTop - labelH - 4);
    ScrollBox1->setGeometry(8, stripTop, w - 16, stripH);
    KeyEdit->setGeometry(12, stripTop + 4, 40, 20);
    Label1->setGeometry(8, stripTop + stripH + 2, w - 16, labelH);
}

void TMainForm::BuildSearchPage(QWidget* area) {
    Label4 = MakeLabel(area, QStringLiteral("Suchtext:"), QPoint(8, 8), 60);
    Label4->setObjectName(QStringLiteral("Label4"));
    SearchEdit = new QLineEdit(area);
    SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
    SearchEdit->setGeometry(72, 8, 329, 21);
    SearchBtn =
        MakeButton(area, "SearchBtn", QStringLiteral("&Fotos suchen..."), QRect(8, 36, 129, 25));
    ListView2 = new QTreeWidget(area);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setRootIsDecorated(false);
    ListView2->setItemsExpandable(false);
    ListView2->setUniformRowHeights(true);
    ListView2->setAllColumnsShowFocus(true);
    ListView2->setHeaderLabels({QStringLiteral("Dateiname"), QStringLiteral("Beschreibung")});
    ListView2->setColumnWidth(0, 150);
    ListView2->setColumnWidth(1, 300);
    ListView2->header()->setStretchLastSection(false);
    connect(SearchBtn, &QPushButton::clicked, this, &TMainForm::SearchBtnClick);
    connect(ListView2, &QTreeWidget::itemDoubleClicked, this, [this] { ListView2DblClick(); });
    ListView2->installEventFilter(this);
    static_cast<TWorkArea*>(area)->OnResize = [this] { LayoutSearchPage(); };
}

void TMainForm::LayoutSearchPage() {
    QWidget* area = ListView2->parentWidget();
    ListView2->setGeometry(8, 68, area->width() - 16, area->height() - 76);
}

void TMainForm::BuildSettingsPage(QWidget* area) {
    const char* labels[] = {
        "Überblenddauer", "Pausendauer",     "Hintergrundfarbe:", "Textfarbe:",
        "Textumrandung:", "Textposition X:", "Textposition Y:",   "Schriftgröße:"};
    for (int i = 0; i < 8; ++i)
        MakeLabel(area, QString::fromUtf8(labels[i]), QPoint(8, 8 + 24 * i))
            ->setObjectName(QStringLiteral("SettingsLabel%1").arg(i + 1));
    auto spin = [area](const char* name, int lo, int hi, int value, int y, int width) {
        auto* s = new TSpinEdit(lo, hi, value, area);
        s->setObjectName(QString::fromLatin1(name));
        s->setGeometry(120, y, width, 22);
        return s;
    };
    TimeEd = spin("TimeEd", kMinTime, kMaxTime, 1000, 8, 73);
    TimeEd2 = spin("TimeEd2", kMinTime, kMaxTime, 3000, 32, 73);
    auto combo = [area](const char* name, int y) {
        auto* c = new TTesselColorComboBox(area);
        c->setObjectName(QString::fromLatin1(name));
        c->SetLanguage(lgDeutsch);
        c->setGeometry(120, y, 120, 22);
        return c;
    };
    TesselColorComboBox1 = combo("TesselColorComboBox1", 56);
    TesselColorComboBox3 = combo("TesselColorComboBox3", 80);
    TesselColorComboBox2 = combo("TesselColorComboBox2", 104);
    // No limits of their own: what a project file holds is taken as it is; a text that is not
    // a number reads as 0.
    TextXEd = spin("TextXEd", INT_MIN, INT_MAX, 2, 128, 57);
    TextYEd = spin("TextYEd", INT_MIN, INT_MAX, 95, 152, 57);
    FontSizeEd = spin("FontSizeEd", INT_MIN, INT_MAX, 40, 176, 57);
    for (TSpinEdit* e : {TextXEd, TextYEd, FontSizeEd})
        e->SetNonNumberValue(0);
    MakeLabel(area, QStringLiteral("%"), QPoint(181, 128), 16);
    MakeLabel(area, QStringLiteral("%"), QPoint(181, 152), 16);
    Blende1Check = new QRadioButton(QStringLiteral("Ein- und ausblenden"), area);
    Blende1Check->setObjectName(QStringLiteral("Blende1Check"));
    Blende1Check->setGeometry(120, 200, 200, 17);
    Blende2Check = new QRadioButton(QStringLiteral("Überblenden"), area);
    Blende2Check->setObjectName(QStringLiteral("Blende2Check"));
    Blende2Check->setGeometry(120, 216, 200, 17);
    Blende1Check->setChecked(true);
}

void TMainForm::BuildExportPage(QWidget* area) {
    SavePDFBtn = MakeButton(area, "SavePDFBtn", QStringLiteral("PDF-Datei speichern..."),
                            QRect(8, 8, 145, 25));
    ShowPDFCheck = new QCheckBox(QStringLiteral("PDF-Datei nach dem Erzeugen anzeigen"), area);
    ShowPDFCheck->setObjectName(QStringLiteral("ShowPDFCheck"));
    ShowPDFCheck->setGeometry(168, 12, 240, 17);
    ShowPDFCheck->setChecked(true);
    VollScreenCheck = new QCheckBox(QStringLiteral("Vollbildanimation"), area);
    VollScreenCheck->setObjectName(QStringLiteral("VollScreenCheck"));
    VollScreenCheck->setGeometry(168, 36, 240, 17);
    // The option's text is too long for one line of the page: its explanation stands below.
    PhotoPagesCheck = new QCheckBox(QStringLiteral("Fotos zusätzlich als Seiten"), area);
    PhotoPagesCheck->setObjectName(QStringLiteral("PhotoPagesCheck"));
    PhotoPagesCheck->setGeometry(168, 60, 240, 17);
    PhotoPagesCheck->setToolTip(
        QStringLiteral("Fotos zusätzlich als Seiten (Diashow in jedem PDF-Betrachter)"));
    QLabel* pagesHint =
        MakeLabel(area, QStringLiteral("(Diashow in jedem PDF-Betrachter)"), QPoint(186, 78), 220);
    pagesHint->setObjectName(QStringLiteral("PhotoPagesHint"));
    SaveHtmlBtn = MakeButton(area, "SaveHtmlBtn", QStringLiteral("Als HTML-Diashow speichern..."),
                             QRect(8, 108, 185, 25));
    connect(SaveHtmlBtn, &QPushButton::clicked, this, &TMainForm::SaveHtmlBtnClick);
    connect(SavePDFBtn, &QPushButton::clicked, this, &TMainForm::SavePDFBtnClick);
}

void TMainForm::BuildBottomBar(QVBoxLayout* outer) {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("BottomBar"));
    bar->setFixedHeight(41);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(8, 4, 8, 4);
    h->setSpacing(8);
    wwwBtn = new QToolButton(bar);
    wwwBtn->setObjectName(QStringLiteral("wwwBtn"));
    wwwBtn->setText(QString::fromLatin1(kHomePage));
    wwwBtn->setToolTip(QStringLiteral("Auf zur Corvana Homepage..."));
    wwwBtn->setIcon(QIcon(artwork::Icon(artwork::TIcon::Web)));
    wwwBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    wwwBtn->setAutoRaise(true);
    wwwBtn->setFixedSize(137, 33);
    h->addWidget(wwwBtn);
    h->addStretch(1);
    ueberbtn = new TImageBtn(bar);
    ueberbtn->setObjectName(QStringLiteral("ueberbtn"));
    ueberbtn->SetPicture(artwork::AboutButton(false));
    ueberbtn->SetPicture2(artwork::AboutButton(true));
    ueberbtn->setToolTip(QStringLiteral("Informationen über das Programm"));
    ueberbtn->setCursor(Qt::PointingHandCursor);
    ueberbtn->setFixedSize(101, 30);
    EndeBtn = new TImageBtn(bar);
    EndeBtn->setObjectName(QStringLiteral("EndeBtn"));
    EndeBtn->SetPicture(artwork::ExitButton(false));
    EndeBtn->SetPicture2(artwork::ExitButton(true));
    EndeBtn->setToolTip(QStringLiteral("Hiermit verlassen Sie das Programm"));
    EndeBtn->setCursor(Qt::PointingHandCursor);
    EndeBtn->setFixedSize(101, 30);
    h->addWidget(ueberbtn);
    h->addWidget(EndeBtn);
    connect(wwwBtn, &QToolButton::clicked, this, &TMainForm::wwwBtnClick);
    connect(ueberbtn, &TImageBtn::clicked, this, &TMainForm::ueberbtnClick);
    connect(EndeBtn, &TImageBtn::clicked, this, &TMainForm::EndeBtnClick);
    outer->addWidget(bar);
}

// --- Settings ----------------------------------------------------------------------------

TShowSettings TMainForm::Settings() const {
    TShowSettings s;
    s.FadeTime = TimeEd->Value();
    s.PauseTime = TimeEd2->Value();
    s.BackColor = TesselColorComboBox1->ColorValue();
    s.TextColor = TesselColorComboBox3->ColorValue();
    s.OutlineColor = TesselColorComboBox2->ColorValue();
    s.TextX = TextXEd->Value();
    s.TextY = TextYEd->Value();
    s.FontSize = FontSizeEd->Value();
    s.FadeInOut = Blende1Check->isChecked();
    s.FullScreen = VollScreenCheck->isChecked();
    s.ShowPDF = ShowPDFCheck->isChecked();
    return s;
}

void TMainForm::SetSettings(const TShowSettings& s) {
    TimeEd->SetValue(s.FadeTime);
    TimeEd2->SetValue(s.PauseTime);
    TesselColorComboBox1->SetColorValue(s.BackColor);
    TesselColorComboBox3->SetColorValue(s.TextColor);
    TesselColorComboBox2->SetColorValue(s.OutlineColor);
    TextXEd->SetValue(s.TextX);
    TextYEd->SetValue(s.TextY);
    FontSizeEd->SetValue(s.FontSize);
    (s.FadeInOut ? Blende1Check : Blende2Check)->setChecked(true);
    VollScreenCheck->setChecked(s.FullScreen);
    ShowPDFCheck->setChecked(s.ShowPDF);
}

// --- Photos page ---------------------------------------------------------------------------

void TMainForm::SetMemoText(const QString& text) {
    // Setting the editor's text from the program is not an edit: it must not overwrite the
    // current photo's caption (emptying the editor after Open would otherwise erase the
    // caption of photo 1).
    SettingMemo = true;
    Memo1->setPlainText(text);
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

void TMainForm::NewFotoBtnClick() {
    // The filter is asked for every time: the library decides which formats it reads.
    const QString filter = OpenFilterForQt(QString::fromUtf8(GetDIBOpenFilter()));
    const QStringList files =
        Dialogs().GetOpenFileNames(this, QStringLiteral("Fotos hinzufügen"), filter);
    if (files.isEmpty()) return;
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const QString& f : files)
        paths.push_back(ToPath(f));
    Show_.AddPhotos(paths, FilenamesCheck->isChecked());
    PaintBox1Paint();
}

void TMainForm::DelFotoBtnClick() {
    if (!Show_.DeleteCurrent()) return;
    adibchanged();
    PaintBox1Paint();
}

void TMainForm::NachVornBtnClick() {
    if (Show_.MoveForward()) PaintBox1Paint();
}

void TMainForm::NachHintenBtnClick() {
    if (Show_.MoveBack()) PaintBox1Paint();
}

void TMainForm::Memo1Change() {
    if (SettingMemo) return;
    Show_.StoreCaption(CaptionFromEditor(Memo1->toPlainText()));
}

void TMainForm::adibchanged() {
    if (TFotoRecord* cur = Show_.Current()) SetMemoText(CaptionForEditor(cur->Text));
}

void TMainForm::FreeAllPics() {
    Show_.FreeAllPics();
}

void TMainForm::NewBtnClick() {
    if (Dialogs().MessageBox(
            this, QStringLiteral("Alle nicht gespeicherten Einstellungen gehen verloren."),
            QStringLiteral("Datei|Neu"), mbOK | mbCancel, TMsgIcon::Question) != mbOK)
        return;
    SetMemoText(QString());
    FreeAllPics();
    SetSettings(TShowSettings{});
    Show_.CurFoto = 1;
    PaintBox1Paint();
}

// --- Project files -------------------------------------------------------------------------

namespace {
const QString kProjectFilter = QStringLiteral("PDF Lumeno-Dateien (*.lmo)");
}

void TMainForm::ShowProjectError(const std::string& text) {
    Dialogs().MessageBox(this, QString::fromUtf8(text.c_str()), AppTitle(), mbOK, TMsgIcon::Error);
}

void TMainForm::SaveAsBtnClick() {
    const QString name = Dialogs().GetSaveFileName(this, QStringLiteral("Speichern unter"),
                                                   kProjectFilter, QStringLiteral("lmo"), true);
    if (name.isEmpty()) return;
    const ProjectWriteResult r = WriteProjectFile(ToPath(name), Show_, Settings());
    if (!r.ok) ShowProjectError(std::string(ProjectFileMessage(r.code)));
}

void TMainForm::OpenBtnClick() {
    if (Dialogs().MessageBox(
            this, QStringLiteral("Alle nicht gespeicherten Einstellungen gehen verloren."),
            QStringLiteral("Datei|Öffnen"), mbOK | mbCancel, TMsgIcon::Question) != mbOK)
        return;
    PaintBox1Paint();
    SetMemoText(QString());
    const QString name = Dialogs().GetOpenFileName(this, QStringLiteral("Öffnen"), kProjectFilter);
    if (!name.isEmpty()) OpenFileNow(name);
    PaintBox1Paint();
    SetMemoText(QString());
}

bool TMainForm::OpenFileNow(const QString& fileName) {
    const ProjectReadResult r = ReadProjectFile(ToPath(fileName), Show_, Settings());
    if (r.code != ProjectFileError::CannotOpen) SetSettings(r.settings);
    PaintBox1Paint();
    if (r.code == ProjectFileError::None) return true;
    const QString text = QString::fromUtf8(std::string(ProjectFileMessage(r.code)).c_str());
    Dialogs().MessageBox(this, text, AppTitle(), mbOK,
                         r.code == ProjectFileError::TrailingData ? TMsgIcon::Warning
                                                                  : TMsgIcon::Error);
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
    if (CommandLine.isEmpty()) return;
    OpenFileNow(CommandLine.first());
    PaintBox1Paint();
    SetMemoText(QString());
}

// --- Search page ---------------------------------------------------------------------------

void TMainForm::SearchBtnClick() {
    ResultPositions.clear();
    ListView2->clear();
    const std::vector<TSearchRow> rows = SearchCaptions(Show_, SearchEdit->text().toStdString());
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
    ListView2->addTopLevelItems(items);
}

void TMainForm::ListView2DblClick() {
    QTreeWidgetItem* item = ListView2->currentItem();
    if (!item || !item->isSelected()) return;
    const int row = ListView2->indexOfTopLevelItem(item);
    if (row < 0 || row >= int(ResultPositions.size())) return;
    Show_.CurFoto = ResultPositions[row] + 1;
    PageControl2->setCurrentWidget(TabSheet2);
    ScrollImageInView();
    adibchanged();
    PaintBox1Paint();
}

bool TMainForm::ListView2KeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    ListView2DblClick();
    return true;
}

// --- Export --------------------------------------------------------------------------------

void TMainForm::SavePDFBtnClick() {
    if (Exporting) return;
    const QString name = Dialogs().GetSaveFileName(this, QStringLiteral("PDF-Datei speichern"),
                                                   QStringLiteral("PDF-Dateien (*.pdf)"),
                                                   QStringLiteral("pdf"), true, LastPdfName);
    if (name.isEmpty()) return;
    LastPdfName = name;
    RunExport(name, false);
}

void TMainForm::SaveHtmlBtnClick() {
    if (Exporting) return;
    const QString name = Dialogs().GetSaveFileName(this, QStringLiteral("HTML-Diashow speichern"),
                                                   QStringLiteral("HTML-Dateien (*.html *.htm)"),
                                                   QStringLiteral("html"), true, LastHtmlName);
    if (name.isEmpty()) return;
    LastHtmlName = name;
    RunExport(name, true);
}

void TMainForm::RunExport(const QString& name, bool html) {
    TExportFeedback feedback(this);
    TInputBlocker blocker;
    TExportOptions options;
    options.Progress = &feedback;
    options.Html = html;
    options.PhotoPages = !html && PhotoPagesCheck->isChecked();
    // "PDF-Datei nach dem Erzeugen anzeigen" also shows the HTML slide show in the browser.
    options.Open = [this](const std::string& path) {
        if (ShellOpen) ShellOpen(path);
    };
    Exporting = true;
    qApp->installEventFilter(&blocker);
    const TExportResult r =
        ExportSlideShow(ExportPhotosOf(Show_.Fotos), Settings(), ToPath(name), options);
    qApp->removeEventFilter(&blocker);
    Exporting = false;
    SetProStatus(0);
    if (r.ok || r.code == TExportCode::kCancelled) return;
    const std::string text = html ? HtmlShowMessage(r) : ExportMessage(r);
    Dialogs().MessageBox(this, QString::fromUtf8(text.c_str()), AppTitle(), mbOK, TMsgIcon::Error);
}

// --- Bottom bar and closing ----------------------------------------------------------------

void TMainForm::wwwBtnClick() {
    if (ShellOpen) ShellOpen(std::string("https://") + kHomePage);
}

void TMainForm::ueberbtnClick() {
    TAboutBox box(this);
    box.exec();
}

void TMainForm::EndeBtnClick() {
    close();
}

bool TMainForm::FormCloseQuery() {
    return Dialogs().MessageBox(this,
                                QStringLiteral("Hiermit beenden Sie das Programm! Alle nicht "
                                               "gespeicherten Daten gehen verloren!"),
                                QStringLiteral("Programm beenden"), mbOK | mbCancel,
                                TMsgIcon::Information) == mbOK;
}

void TMainForm::closeEvent(QCloseEvent* e) {
    if (Exporting || !FormCloseQuery()) {
        e->ignore();
        return;
    }
    e->accept();
}

// --- Status bar progress -------------------------------------------------------------------

void TMainForm::SetProStatus(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent < Percent) {
        Percent = percent;
        ++StatusBarFullRepaints;
        StatusBar1->repaint();
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
    ++StatusBarBarRepaints;
    // Drawn now, not at the next turn of the event loop: the bar has to move while a large
    // photo is still loading inside this same event.
    if (ProgressRect.isValid() && StatusBar1->isVisible()) StatusBar1->repaint(ProgressRect);
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

// --- Events --------------------------------------------------------------------------------

void TMainForm::ScrollBox1Resize() {
    PaintBox1Paint();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == KeyEdit && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Escape) {
            DelFotoBtn->click();
            return true;
        }
        return KeyEditKeyDown(k->key());
    }
    if (watched == ListView2 && e->type() == QEvent::KeyPress)
        return ListView2KeyDown(static_cast<QKeyEvent*>(e)->key());
    if (watched == ScrollBox1->viewport() && e->type() == QEvent::Resize) {
        ScrollBox1Resize();
        return false;
    }
    if ((watched == ScrollBox1->viewport() || watched == PaintBox1) && e->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(e);
        const int steps = w->angleDelta().y() / 120;
        for (int i = 0; i < -steps; ++i)
            FormMouseWheelDown();
        for (int i = 0; i < steps; ++i)
            FormMouseWheelUp();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TMainForm::keyPressEvent(QKeyEvent* e) {
    // DelFotoBtn is the window's cancel button: Escape deletes the current photo while the
    // photos page is shown, unless the caption editor has the focus.
    if (e->key() == Qt::Key_Escape && PageControl2->currentWidget() == TabSheet2 &&
        focusWidget() != Memo1) {
        DelFotoBtn->click();
        return;
    }
    QWidget::keyPressEvent(e);
}

} // namespace lumeno::ui
