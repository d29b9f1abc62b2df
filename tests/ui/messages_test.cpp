// The window's catalogue: the texts for the lower layers' codes, byte for byte, and the photo
// open dialog's filter built from the image library's table.
#include "main_form.h"
#include "messages.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace lumeno::ui {
namespace {

TEST(Messages, ProjectFileCodes) {
    EXPECT_EQ(ProjectFileText(ProjectFileError::None), QString());
    EXPECT_EQ(ProjectFileText(ProjectFileError::CannotCreate),
              QStringLiteral("Fehler: Konnte Datei nicht erstellen..."));
    EXPECT_EQ(ProjectFileText(ProjectFileError::CannotOpen),
              QStringLiteral("Fehler: Konnte Datei nicht öffnen..."));
    EXPECT_EQ(ProjectFileText(ProjectFileError::NotLumeno),
              QStringLiteral("Fehler: Die Datei ist keine gültige PDF Lumeno Datei..."));
    for (ProjectFileError e :
         {ProjectFileError::Damaged, ProjectFileError::WriteFailed, ProjectFileError::TrailingData})
        EXPECT_FALSE(ProjectFileText(e).isEmpty());
}

TEST(Messages, ExportCodes) {
    TExportResult r;
    r.path = "/x/y.pdf";
    EXPECT_EQ(ExportText(r), QString());
    r.code = TExportCode::kCannotCreate;
    EXPECT_EQ(ExportText(r), QStringLiteral("Die Datei /x/y.pdf konnte nicht erstellt werden!"));
    EXPECT_EQ(HtmlShowText(r), ExportText(r));
    r.detail = EACCES;
    EXPECT_EQ(HtmlShowText(r), QStringLiteral("Die Datei /x/y.pdf konnte nicht erstellt werden! "
                                              "Keine Berechtigung, in diesen Ordner zu "
                                              "schreiben."));
    EXPECT_EQ(ExportText(r), HtmlShowText(r));
    // Closing the file elsewhere is advised only when another program holds it.
    for (int busy : {EBUSY, ETXTBSY}) {
        r.detail = busy;
        EXPECT_EQ(ExportText(r),
                  QStringLiteral("Die Datei /x/y.pdf konnte nicht erstellt werden! Bitte "
                                 "schließen Sie diese Datei im Acrobat Reader, falls diese offen "
                                 "sein sollte! Die Datei wird gerade von einem anderen Programm "
                                 "benutzt."));
    }
    r.code = TExportCode::kWriteError;
    r.detail = ENOSPC;
    const QString full = QStringLiteral("Die Datei /x/y.pdf konnte nicht vollständig geschrieben "
                                        "werden. Auf dem Datenträger ist nicht genug Platz. Eine "
                                        "schon vorhandene Datei dieses Namens ist unverändert.");
    EXPECT_EQ(ExportText(r), full);
    EXPECT_EQ(HtmlShowText(r), full);
    r.code = TExportCode::kCannotReplace;
    r.detail = EROFS;
    EXPECT_EQ(ExportText(r),
              QStringLiteral("Die Datei /x/y.pdf konnte nicht durch die neue ersetzt "
                             "werden. Der Datenträger ist schreibgeschützt. Eine "
                             "schon vorhandene Datei dieses Namens ist "
                             "unverändert."));
    EXPECT_EQ(ProjectFileMessage(ProjectFileError::CannotOpen, QStringLiteral("/x/a.lmo"), ENOENT,
                                 TFileAccess::kRead),
              QStringLiteral("Fehler: Konnte Datei nicht öffnen...\n/x/a.lmo\nDie Datei wurde "
                             "nicht gefunden."));
    EXPECT_EQ(ProjectFileMessage(ProjectFileError::NotLumeno, QStringLiteral("/x/a.lmo"), 0,
                                 TFileAccess::kRead),
              QStringLiteral("Fehler: Die Datei ist keine gültige PDF Lumeno Datei...\n/x/a.lmo"));
    EXPECT_EQ(FileFailureReason(EDQUOT, TFileAccess::kWrite),
              QStringLiteral("Auf dem Datenträger ist nicht genug Platz."));
    EXPECT_TRUE(FileFailureReason(EXDEV, TFileAccess::kWrite)
                    .startsWith(QStringLiteral("Das System meldet Fehler %1: ").arg(EXDEV)));
    r.code = TExportCode::kCompressError;
    r.detail = 0;
    EXPECT_EQ(ExportText(r), QStringLiteral("error"));
}

// The video's failures name the video and, when the music failed, the music file.
TEST(Messages, VideoTexts) {
    TExportResult r;
    r.path = "/x/show.mp4";
    r.code = TExportCode::kCannotCreate;
    EXPECT_EQ(VideoText(r, QString()),
              QStringLiteral("Die Datei /x/show.mp4 konnte nicht erstellt werden!"));
    r.code = TExportCode::kMusicUnreadable;
    EXPECT_TRUE(VideoText(r, QStringLiteral("/m/lied.ogg"))
                    .startsWith(QStringLiteral("Die Musikdatei /m/lied.ogg kann nicht gelesen "
                                               "werden oder enthält keinen Ton. Das Video wurde "
                                               "nicht geschrieben.")));
    EXPECT_EQ(OpenResultFailedText(QStringLiteral("/x/show.mp4"), TExportKind::Video),
              QStringLiteral("Die Datei /x/show.mp4 wurde erzeugt, konnte aber nicht angezeigt "
                             "werden. Es ist kein Programm zum Abspielen von Videos "
                             "eingerichtet."));
}

TEST(Messages, DrawDibRefusals) {
    EXPECT_EQ(DrawDibText(DrawDibResult::kDrawn), QString());
    EXPECT_EQ(DrawDibText(DrawDibResult::kNoBitmap),
              QStringLiteral("Konnte Bitmap nicht erzeugen!"));
    EXPECT_EQ(DrawDibText(DrawDibResult::kNoSetRows),
              QStringLiteral("Das Gerät unterstützt die Funtkion setdibits nicht!"));
    EXPECT_EQ(DrawDibText(DrawDibResult::kNoStretch),
              QStringLiteral("Das Gerät unterstützt die Funktion StretchBlt nicht!"));
}

TEST(Messages, EveryFixedTextAndEveryOpenKindHasWords) {
    for (int id = int(TMsg::AppTitle); id <= int(TMsg::QuitTitle); ++id)
        EXPECT_FALSE(Text(TMsg(id)).isEmpty()) << id;
    size_t count = 0;
    const TDibOpenFormat* formats = GetDIBOpenFormats(&count);
    ASSERT_GT(count, 2u);
    for (size_t i = 0; i < count; ++i)
        EXPECT_FALSE(OpenKindText(formats[i].Kind).isEmpty()) << formats[i].Name;
    EXPECT_EQ(PositionOf(3, 12), QStringLiteral("Thumbnail: 3 von 12"));
}

TEST(Messages, PhotoOpenFilterInTheDialogsForm) {
    EXPECT_EQ(PhotoOpenFilter(),
              QStringLiteral(
                  "Alle Bilddateien (*.jpg *.JPG *.jpeg *.JPEG *.jpe *.JPE *.jfif *.JFIF *.png "
                  "*.PNG *.bmp *.BMP *.dib *.DIB *.gif *.GIF *.tif *.TIF *.tiff *.TIFF *.webp "
                  "*.WEBP *.heic *.HEIC *.heif *.HEIF *.hif *.HIF);;"
                  "JPEG-Bilder (*.jpg *.JPG *.jpeg *.JPEG *.jpe *.JPE *.jfif *.JFIF);;"
                  "PNG-Bilder (*.png *.PNG);;Windows-Bitmaps (*.bmp *.BMP *.dib *.DIB);;"
                  "GIF-Bilder (*.gif *.GIF);;TIFF-Bilder (*.tif *.TIF *.tiff *.TIFF);;"
                  "WebP-Bilder (*.webp *.WEBP);;HEIC/HEIF-Bilder (*.heic *.HEIC *.heif *.HEIF "
                  "*.hif *.HIF);;Alle Dateien (*)"));
}

} // namespace
} // namespace lumeno::ui
