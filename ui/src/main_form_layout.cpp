// The main window's controls: captions, hints, colours and the 96-dpi geometry of every
// widget. Nothing here reacts to the user; TMainForm connects the handlers.
#include "main_form_controls.h"

#include "artwork.h"
#include "color_combo.h"
#include "image_button.h"
#include "lumeno/project/show.h"
#include "maker.h"
#include "photo_strip.h"
#include "spin_edit.h"
#include "status_bar.h"
#include "view_pic_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

namespace lumeno::ui {
namespace {

const QColor kColumnColour(192, 220, 192);
constexpr int kHeaderHeight = 33;
constexpr int kColumnWidth = 209;
// 638 x 512 is the size of the whole window with its frame; this is its client area.
constexpr int kClientWidth = 630;
constexpr int kClientHeight = 485;

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

void BuildToolbar(QWidget* window, QVBoxLayout* outer, TMainFormControls& c) {
    auto* bar = new QWidget(window);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setFixedHeight(27);
    // The file commands, left to right.
    struct TToolbarButton {
        const char* Name;
        const char* Caption;
        const char* Hint;
        artwork::TIcon Icon;
        int Left;
        QToolButton** Out;
    } fileButtons[] = {
        {"NewBtn", "&Neu", "Neue Lumeno erstellen", artwork::TIcon::New, 8, &c.NewBtn},
        {"OpenBtn", "Ö&ffnen...", "Lumeno öffnen...", artwork::TIcon::Open, 129, &c.OpenBtn},
        {"SaveAsBtn", "&Speichern unter...", "Lumeno speichern unter...", artwork::TIcon::Save, 250,
         &c.SaveAsBtn},
    };
    for (const TToolbarButton& button : fileButtons) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(button.Name));
        b->setText(QString::fromUtf8(button.Caption));
        b->setToolTip(QString::fromUtf8(button.Hint));
        b->setIcon(QIcon(artwork::Icon(button.Icon)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setGeometry(button.Left, 1, 121, 25);
        *button.Out = b;
    }
    outer->addWidget(bar);
}

QWidget* BuildPage(int index, QWidget*& workArea) {
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
    hp.setColor(QPalette::Window, QColor(kCaptionColour));
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

void LayoutPhotosPage(const TMainFormControls& c);
void LayoutSearchPage(const TMainFormControls& c);

void BuildPhotosPage(QWidget* area, TMainFormControls& c) {
    c.NewFotoBtn = MakeButton(area, "NewFotoBtn", QStringLiteral("&Fotos hinzufügen..."),
                              QRect(8, 8, 129, 25));
    c.DelFotoBtn =
        MakeButton(area, "DelFotoBtn", QStringLiteral("Foto &löschen"), QRect(144, 8, 113, 25));
    c.NachVornBtn =
        MakeButton(area, "NachVornBtn", QStringLiteral("Nach &vorne"), QRect(264, 8, 105, 25));
    c.NachVornBtn->setToolTip(QStringLiteral("Verschiebt das Bild in der Reihenfolge"));
    c.NachHintenBtn =
        MakeButton(area, "NachHintenBtn", QStringLiteral("Nach &hinten"), QRect(264, 32, 105, 25));
    c.FilenamesCheck = new QCheckBox(QStringLiteral("&Dateinamen als Vorgabetext"), area);
    c.FilenamesCheck->setObjectName(QStringLiteral("FilenamesCheck"));
    c.FilenamesCheck->setGeometry(8, 40, 200, 17);
    c.Label3 = new QLabel(QStringLiteral("&Text zu diesem Foto:"), area);
    c.Label3->setObjectName(QStringLiteral("Label3"));
    c.Memo1 = new QPlainTextEdit(area);
    c.Label3->setBuddy(c.Memo1);
    c.Memo1->setObjectName(QStringLiteral("Memo1"));
    c.Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    c.Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    c.Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    c.Memo1->setTabChangesFocus(true);
    // Tab reads the rows: the check box stands left of "Nach hinten".
    QWidget::setTabOrder(c.NachVornBtn, c.FilenamesCheck);
    QWidget::setTabOrder(c.FilenamesCheck, c.NachHintenBtn);
    QWidget::setTabOrder(c.NachHintenBtn, c.Memo1);

    // c.KeyEdit first, so the scroll area lies above it and hides it.
    c.KeyEdit = new QLineEdit(area);
    c.KeyEdit->setObjectName(QStringLiteral("KeyEdit"));
    c.KeyEdit->setReadOnly(true);
    c.ScrollBox1 = new QScrollArea(area);
    c.ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    c.ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    c.ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    c.ScrollBox1->setWidgetResizable(false);
    c.ScrollBox1->setFocusPolicy(Qt::NoFocus);
    // Below and beside the cells the strip shows the application-workspace grey.
    QPalette sp = c.ScrollBox1->palette();
    sp.setColor(QPalette::Dark, ApplicationWorkspaceColor());
    sp.setColor(QPalette::Base, ApplicationWorkspaceColor());
    sp.setColor(QPalette::Window, ApplicationWorkspaceColor());
    c.ScrollBox1->setPalette(sp);
    c.ScrollBox1->viewport()->setAutoFillBackground(true);
    c.PaintBox1 = new TPhotoStripBox(nullptr);
    c.ScrollBox1->setWidget(c.PaintBox1);
    c.Label1 = new QLabel(area);
    c.Label1->setObjectName(QStringLiteral("Label1"));
    c.Label1->setTextInteractionFlags(Qt::NoTextInteraction);

    static_cast<TWorkArea*>(area)->OnResize = [c] { LayoutPhotosPage(c); };
}

void LayoutPhotosPage(const TMainFormControls& c) {
    QWidget* area = c.Memo1->parentWidget();
    const int w = area->width(), h = area->height();
    c.Label3->setGeometry(8, 62, w - 16, 16);
    c.Memo1->setGeometry(8, 79, w - 16, 63);
    const int labelH = 16;
    const int stripTop = 146;
    const int stripH = std::max(20, h - stripTop - labelH - 4);
    c.ScrollBox1->setGeometry(8, stripTop, w - 16, stripH);
    c.KeyEdit->setGeometry(12, stripTop + 4, 40, 20);
    c.Label1->setGeometry(8, stripTop + stripH + 2, w - 16, labelH);
}

void BuildSearchPage(QWidget* area, TMainFormControls& c) {
    c.Label4 = MakeLabel(area, QStringLiteral("Such&text:"), QPoint(8, 8), 60);
    c.Label4->setObjectName(QStringLiteral("Label4"));
    c.SearchEdit = new QLineEdit(area);
    c.SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
    c.SearchEdit->setGeometry(72, 8, 329, 21);
    c.Label4->setBuddy(c.SearchEdit);
    c.SearchBtn =
        MakeButton(area, "SearchBtn", QStringLiteral("&Fotos suchen..."), QRect(8, 36, 129, 25));
    c.ListView2 = new QTreeWidget(area);
    c.ListView2->setObjectName(QStringLiteral("ListView2"));
    c.ListView2->setRootIsDecorated(false);
    c.ListView2->setItemsExpandable(false);
    c.ListView2->setUniformRowHeights(true);
    c.ListView2->setAllColumnsShowFocus(true);
    c.ListView2->setHeaderLabels({QStringLiteral("Dateiname"), QStringLiteral("Beschreibung")});
    c.ListView2->setColumnWidth(0, 150);
    c.ListView2->setColumnWidth(1, 300);
    c.ListView2->header()->setStretchLastSection(false);
    static_cast<TWorkArea*>(area)->OnResize = [c] { LayoutSearchPage(c); };
}

void LayoutSearchPage(const TMainFormControls& c) {
    QWidget* area = c.ListView2->parentWidget();
    c.ListView2->setGeometry(8, 68, area->width() - 16, area->height() - 76);
}

void BuildSettingsPage(QWidget* area, TMainFormControls& c) {
    const char* labels[] = {
        "Über&blenddauer", "&Pausendauer",     "&Hintergrundfarbe:", "&Textfarbe:",
        "Textu&mrandung:", "Textposition &X:", "Textposition &Y:",   "Schrift&größe:"};
    QLabel* captions[8] = {};
    for (int i = 0; i < 8; ++i) {
        captions[i] = MakeLabel(area, QString::fromUtf8(labels[i]), QPoint(8, 8 + 24 * i));
        captions[i]->setObjectName(QStringLiteral("SettingsLabel%1").arg(i + 1));
    }
    auto spin = [area](const char* name, int lo, int hi, int value, int y, int width) {
        auto* s = new TSpinEdit(lo, hi, value, area);
        s->setObjectName(QString::fromLatin1(name));
        s->setGeometry(120, y, width, 22);
        return s;
    };
    c.TimeEd = spin("TimeEd", kMinTime, kMaxTime, 1000, 8, 73);
    c.TimeEd2 = spin("TimeEd2", kMinTime, kMaxTime, 3000, 32, 73);
    auto combo = [area](const char* name, int y) {
        auto* c = new TTesselColorComboBox(area);
        c->setObjectName(QString::fromLatin1(name));
        c->SetLanguage(lgDeutsch);
        c->setGeometry(120, y, 120, 22);
        return c;
    };
    c.TesselColorComboBox1 = combo("TesselColorComboBox1", 56);
    c.TesselColorComboBox3 = combo("TesselColorComboBox3", 80);
    c.TesselColorComboBox2 = combo("TesselColorComboBox2", 104);
    // No limits of their own: what a project file holds is taken as it is; a text that is not
    // a number reads as 0.
    c.TextXEd = spin("TextXEd", kMinTextPosition, kMaxTextPosition, 2, 128, 57);
    c.TextYEd = spin("TextYEd", kMinTextPosition, kMaxTextPosition, 95, 152, 57);
    c.FontSizeEd = spin("FontSizeEd", kMinFontSize, kMaxFontSize, 40, 176, 57);
    for (TSpinEdit* e : {c.TextXEd, c.TextYEd, c.FontSizeEd})
        e->SetNonNumberValue(0);
    MakeLabel(area, QStringLiteral("ms"), QPoint(197, 8), 24);
    MakeLabel(area, QStringLiteral("ms"), QPoint(197, 32), 24);
    MakeLabel(area, QStringLiteral("%"), QPoint(181, 128), 16);
    MakeLabel(area, QStringLiteral("%"), QPoint(181, 152), 16);
    QWidget* fields[8] = {c.TimeEd,
                          c.TimeEd2,
                          c.TesselColorComboBox1,
                          c.TesselColorComboBox3,
                          c.TesselColorComboBox2,
                          c.TextXEd,
                          c.TextYEd,
                          c.FontSizeEd};
    for (int i = 0; i < 8; ++i)
        captions[i]->setBuddy(fields[i]);
    c.Blende1Check = new QRadioButton(QStringLiteral("&Ein- und ausblenden"), area);
    c.Blende1Check->setObjectName(QStringLiteral("Blende1Check"));
    c.Blende1Check->setGeometry(120, 200, 200, 17);
    c.Blende2Check = new QRadioButton(QStringLiteral("Überblen&den"), area);
    c.Blende2Check->setObjectName(QStringLiteral("Blende2Check"));
    c.Blende2Check->setGeometry(120, 216, 200, 17);
    c.Blende1Check->setChecked(true);
    // Why the caption will not show with these values; empty while it will.
    c.CaptionHint = new QLabel(area);
    c.CaptionHint->setObjectName(QStringLiteral("CaptionHint"));
    c.CaptionHint->setGeometry(8, 240, 400, 48);
    c.CaptionHint->setWordWrap(true);
    c.CaptionHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette hintColours = c.CaptionHint->palette();
    hintColours.setColor(QPalette::WindowText, QColor(128, 0, 0));
    c.CaptionHint->setPalette(hintColours);
}

void BuildVideoControls(QWidget* area, TMainFormControls& c) {
    c.SaveVideoBtn =
        MakeButton(area, "SaveVideoBtn", QStringLiteral("Als Vi&deo speichern (MP4)..."),
                   QRect(8, 196, 185, 25));
    QLabel* sizeLabel = MakeLabel(area, QStringLiteral("V&ideogröße:"), QPoint(208, 196), 200);
    sizeLabel->setObjectName(QStringLiteral("VideoSizeLabel"));
    c.VideoSizeCombo = new QComboBox(area);
    c.VideoSizeCombo->setObjectName(QStringLiteral("VideoSizeCombo"));
    c.VideoSizeCombo->setGeometry(208, 218, 200, 22);
    const struct {
        const char* Text;
        int Width, Height;
    } sizes[] = {{"Full HD 1920×1080", 1920, 1080},
                 {"HD 1280×720", 1280, 720},
                 {"4K 3840×2160", 3840, 2160},
                 {"Hochformat (Handy) 1080×1920", 1080, 1920}};
    for (const auto& size : sizes)
        c.VideoSizeCombo->addItem(QString::fromUtf8(size.Text), QSize(size.Width, size.Height));
    sizeLabel->setBuddy(c.VideoSizeCombo);
    c.MusicBtn = MakeButton(area, "MusicBtn", QStringLiteral("&Musik..."), QRect(208, 246, 95, 25));
    c.MusicBtn->setToolTip(QStringLiteral("Eine Audiodatei, die das Video begleitet"));
    c.NoMusicBtn = MakeButton(area, "NoMusicBtn", QStringLiteral("Musik en&tfernen"),
                              QRect(308, 246, 100, 25));
    c.MusicLabel = new QLabel(area);
    c.MusicLabel->setObjectName(QStringLiteral("MusicLabel"));
    c.MusicLabel->setGeometry(208, 275, 200, 16);
}

void BuildExportPage(QWidget* area, TMainFormControls& c) {
    c.SavePDFBtn = MakeButton(area, "SavePDFBtn", QStringLiteral("&PDF-Datei speichern..."),
                              QRect(8, 8, 145, 25));
    c.ShowPDFCheck = new QCheckBox(QStringLiteral("PDF-Datei nach dem Erzeugen &anzeigen"), area);
    c.ShowPDFCheck->setObjectName(QStringLiteral("ShowPDFCheck"));
    c.ShowPDFCheck->setGeometry(168, 12, 240, 17);
    c.ShowPDFCheck->setChecked(true);
    c.VollScreenCheck = new QCheckBox(QStringLiteral("&Vollbildanimation"), area);
    c.VollScreenCheck->setObjectName(QStringLiteral("VollScreenCheck"));
    c.VollScreenCheck->setGeometry(168, 36, 240, 17);
    // The option's text is too long for one line of the page: its explanation stands below.
    c.PhotoPagesCheck = new QCheckBox(QStringLiteral("F&otos zusätzlich als Seiten"), area);
    c.PhotoPagesCheck->setObjectName(QStringLiteral("PhotoPagesCheck"));
    c.PhotoPagesCheck->setGeometry(168, 60, 240, 17);
    c.PhotoPagesCheck->setToolTip(
        QStringLiteral("Fotos zusätzlich als Seiten (Diashow in jedem PDF-Betrachter)"));
    QLabel* pagesHint =
        MakeLabel(area, QStringLiteral("(Diashow in jedem PDF-Betrachter)"), QPoint(186, 78), 220);
    pagesHint->setObjectName(QStringLiteral("PhotoPagesHint"));
    c.KeepJpegCheck = new QCheckBox(QStringLiteral("Original-&JPEGs verlustfrei übernehmen"), area);
    c.KeepJpegCheck->setObjectName(QStringLiteral("KeepJpegCheck"));
    c.KeepJpegCheck->setGeometry(168, 100, 240, 17);
    QLabel* fasterHint = MakeLabel(area, QStringLiteral("(schneller)"), QPoint(186, 115), 220);
    fasterHint->setObjectName(QStringLiteral("KeepJpegHint"));
    c.KeepJpegCheck->setToolTip(QStringLiteral(
        "JPEG-Fotos, die ein PDF-Betrachter so zeigen kann, werden unverändert eingebettet "
        "statt neu komprimiert"));
    c.SaveHtmlBtn =
        MakeButton(area, "SaveHtmlBtn", QStringLiteral("Als &HTML-Diashow speichern..."),
                   QRect(8, 140, 185, 25));
    c.LoopCheck = new QCheckBox(QStringLiteral("&Endlos wiederholen"), area);
    c.LoopCheck->setObjectName(QStringLiteral("LoopCheck"));
    c.LoopCheck->setGeometry(208, 144, 200, 17);
    c.LoopCheck->setToolTip(
        QStringLiteral("Die HTML-Diashow beginnt nach dem letzten Foto von vorn"));
    c.HtmlFullSizeCheck = new QCheckBox(QStringLiteral("Fotos in voller &Größe"), area);
    c.HtmlFullSizeCheck->setObjectName(QStringLiteral("HtmlFullSizeCheck"));
    c.HtmlFullSizeCheck->setGeometry(208, 164, 200, 17);
    c.HtmlFullSizeCheck->setToolTip(
        QStringLiteral("Ohne Haken werden größere Fotos auf 2560 x 1440 Pixel verkleinert"));
    BuildVideoControls(area, c);
}

void BuildBottomBar(QWidget* window, QVBoxLayout* outer, TMainFormControls& c) {
    auto* bar = new QWidget(window);
    bar->setObjectName(QStringLiteral("BottomBar"));
    bar->setFixedHeight(41);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(8, 4, 8, 4);
    h->setSpacing(8);
    c.wwwBtn = new QToolButton(bar);
    c.wwwBtn->setObjectName(QStringLiteral("wwwBtn"));
    c.wwwBtn->setText(QString::fromLatin1(kHomePageCaption.data(), kHomePageCaption.size()));
    c.wwwBtn->setToolTip(QStringLiteral("Auf zur Corvana Homepage..."));
    c.wwwBtn->setIcon(QIcon(artwork::Icon(artwork::TIcon::Web)));
    c.wwwBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    c.wwwBtn->setAutoRaise(true);
    c.wwwBtn->setFixedSize(137, 33);
    h->addWidget(c.wwwBtn);
    h->addStretch(1);
    c.ueberbtn = new TImageBtn(bar);
    c.ueberbtn->setObjectName(QStringLiteral("ueberbtn"));
    c.ueberbtn->SetPicture(artwork::AboutButton(false));
    c.ueberbtn->SetPicture2(artwork::AboutButton(true));
    c.ueberbtn->setToolTip(QStringLiteral("Informationen über das Programm"));
    c.ueberbtn->setCursor(Qt::PointingHandCursor);
    c.ueberbtn->setFixedSize(101, 30);
    c.EndeBtn = new TImageBtn(bar);
    c.EndeBtn->setObjectName(QStringLiteral("EndeBtn"));
    c.EndeBtn->SetPicture(artwork::ExitButton(false));
    c.EndeBtn->SetPicture2(artwork::ExitButton(true));
    c.EndeBtn->setToolTip(QStringLiteral("Hiermit verlassen Sie das Programm"));
    c.EndeBtn->setCursor(Qt::PointingHandCursor);
    c.EndeBtn->setFixedSize(101, 30);
    h->addWidget(c.ueberbtn);
    h->addWidget(c.EndeBtn);
    outer->addWidget(bar);
}

} // namespace

QFont DefaultFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSize(8);
    return f;
}

TMainFormControls BuildMainFormControls(QWidget* window) {
    TMainFormControls c;
    window->setObjectName(QStringLiteral("MainForm"));
    window->setWindowTitle(QStringLiteral("Corvana PDF Lumeno 1.0"));
    window->setFont(DefaultFont());
    window->resize(kClientWidth, kClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        window->move(avail.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }

    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    BuildToolbar(window, outer, c);

    c.PageControl2 = new QTabWidget(window);
    c.PageControl2->setObjectName(QStringLiteral("PageControl2"));
    c.PageControl2->setDocumentMode(false);
    c.PageControl2->setIconSize(QSize(16, 16));
    c.PageControl2->tabBar()->setAttribute(Qt::WA_Hover);
    outer->addWidget(c.PageControl2, 1);
    const artwork::TIcon icons[] = {artwork::TIcon::Photos, artwork::TIcon::Search,
                                    artwork::TIcon::Settings, artwork::TIcon::Pdf};
    const char* tabs[] = {"Fotos", "Suchen", "Einstellungen", "PDF-Datei erzeugen"};
    QWidget* areas[4] = {};
    for (int i = 0; i < 4; ++i) {
        QWidget* page = BuildPage(i, areas[i]);
        c.PageControl2->addTab(page, QIcon(artwork::Icon(icons[i])), QString::fromUtf8(tabs[i]));
    }
    c.TabSheet2 = c.PageControl2->widget(0);
    c.TabSheet3 = c.PageControl2->widget(1);
    c.TabSheet5 = c.PageControl2->widget(2);
    c.TabSheet1 = c.PageControl2->widget(3);
    c.TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    c.TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    c.TabSheet5->setObjectName(QStringLiteral("TabSheet5"));
    c.TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    BuildPhotosPage(areas[0], c);
    BuildSearchPage(areas[1], c);
    BuildSettingsPage(areas[2], c);
    BuildExportPage(areas[3], c);
    c.PageControl2->setCurrentIndex(0);

    BuildBottomBar(window, outer, c);
    c.StatusBar1 = new TStatusBar(window);
    outer->addWidget(c.StatusBar1);
    {
        auto* row = new QHBoxLayout(c.StatusBar1);
        row->setContentsMargins(TStatusBar::kPanel1Width + TStatusBar::kPanel2Width + 8, 2, 2, 1);
        row->setSpacing(4);
        c.ExportStateLabel = new QLabel(c.StatusBar1);
        c.ExportStateLabel->setObjectName(QStringLiteral("ExportStateLabel"));
        // Its Alt key is free on every page and in the toolbar.
        c.CancelExportBtn = new QPushButton(QStringLiteral("Abb&rechen"), c.StatusBar1);
        c.CancelExportBtn->setObjectName(QStringLiteral("CancelExportBtn"));
        c.CancelExportBtn->setFixedHeight(16);
        c.CancelExportBtn->hide();
        row->addWidget(c.ExportStateLabel, 1);
        row->addWidget(c.CancelExportBtn);
    }
    c.ViewPicForm = new TViewPicForm(window);
    return c;
}

} // namespace lumeno::ui
