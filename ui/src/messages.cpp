// The window's words in one place (UTF-8 source).
#include "messages.h"

#include "print_form.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lumeno::ui {

QString Text(TMsg id) {
    switch (id) {
    case TMsg::AppTitle:
        return QStringLiteral("PDF Lumeno");
    case TMsg::AddPhotosTitle:
        return QStringLiteral("Fotos hinzufügen");
    case TMsg::LoseUnsaved:
        return QStringLiteral("Alle nicht gespeicherten Einstellungen gehen verloren.");
    case TMsg::FileNewTitle:
        return QStringLiteral("Datei|Neu");
    case TMsg::FileOpenTitle:
        return QStringLiteral("Datei|Öffnen");
    case TMsg::ProjectFilter:
        return QStringLiteral("PDF Lumeno-Dateien (*.lmo)");
    case TMsg::SaveAsTitle:
        return QStringLiteral("Speichern unter");
    case TMsg::OpenTitle:
        return QStringLiteral("Öffnen");
    case TMsg::SavePdfTitle:
        return QStringLiteral("PDF-Datei speichern");
    case TMsg::PdfFilter:
        return QStringLiteral("PDF-Dateien (*.pdf)");
    case TMsg::SaveHtmlTitle:
        return QStringLiteral("HTML-Diashow speichern");
    case TMsg::HtmlFilter:
        return QStringLiteral("HTML-Dateien (*.html *.htm)");
    case TMsg::NoPicture:
        return QStringLiteral("Bild: keins   ");
    case TMsg::PictureNotOpened:
        return QStringLiteral("Konnte die Bilddatei nicht öffnen!");
    case TMsg::ErrorTitle:
        return QStringLiteral("Fehler");
    case TMsg::QuitQuestion:
        return QStringLiteral("Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten "
                              "gehen verloren!");
    case TMsg::QuitTitle:
        return QStringLiteral("Programm beenden");
    case TMsg::RecoveryTitle:
        return QStringLiteral("Wiederherstellen");
    case TMsg::SaveVideoTitle:
        return QStringLiteral("Als Video speichern");
    case TMsg::VideoFilter:
        return QStringLiteral("MP4-Videos (*.mp4)");
    case TMsg::MusicTitle:
        return QStringLiteral("Musik für das Video");
    case TMsg::MusicFilter:
        return QStringLiteral("Audiodateien (*.mp3 *.m4a *.aac *.ogg *.opus *.oga *.flac *.wav);;"
                              "Alle Dateien (*)");
    case TMsg::NoMusic:
        return QStringLiteral("Keine Musik");
    }
    return {};
}

QString RecoveryQuestion(int photos, const QDateTime& saved) {
    const QString count =
        photos == 1 ? QStringLiteral("1 Foto") : QStringLiteral("%1 Fotos").arg(photos);
    return QStringLiteral("PDF Lumeno wurde beim letzten Mal nicht ordnungsgemäß beendet.\n\n"
                          "Die automatisch gesicherte Diashow mit %1 vom %2 um %3 Uhr kann "
                          "wiederhergestellt werden.\n\n"
                          "Möchten Sie sie wiederherstellen? Mit „Nein“ wird sie verworfen.")
        .arg(count, saved.toString(QStringLiteral("dd.MM.yyyy")),
             saved.toString(QStringLiteral("HH:mm")));
}

QString PositionOf(int current, int count) {
    return QStringLiteral("Thumbnail: %1 von %2").arg(current).arg(count);
}

QString ProjectFileText(ProjectFileError code) {
    switch (code) {
    case ProjectFileError::None:
        return {};
    case ProjectFileError::CannotCreate:
        return QStringLiteral("Fehler: Konnte Datei nicht erstellen...");
    case ProjectFileError::CannotOpen:
        return QStringLiteral("Fehler: Konnte Datei nicht öffnen...");
    case ProjectFileError::NotLumeno:
        return QStringLiteral("Fehler: Die Datei ist keine gültige PDF Lumeno Datei...");
    case ProjectFileError::Damaged:
        return QStringLiteral("Fehler: Die Datei ist beschädigt oder unvollständig. Nur die "
                              "vollständig erhaltenen Fotos und Einstellungen wurden gelesen...");
    case ProjectFileError::WriteFailed:
        return QStringLiteral("Fehler: Konnte Datei nicht vollständig schreiben. Eine schon "
                              "vorhandene Datei dieses Namens ist unverändert...");
    case ProjectFileError::TrailingData:
        return QStringLiteral("Warnung: Die Datei enthält nach den Einstellungen weitere Daten, "
                              "die nicht gelesen wurden...");
    }
    return {};
}

QString FileFailureReason(int error, TFileAccess access) {
    return QString::fromUtf8(frontend::FileFailureSentence(error, access).c_str());
}

QString ProjectFileMessage(ProjectFileError code, const QString& path, int detail,
                           TFileAccess access) {
    QString text = ProjectFileText(code);
    if (text.isEmpty()) return text;
    text += QStringLiteral("\n") + path;
    if (detail != 0) text += QStringLiteral("\n") + FileFailureReason(detail, access);
    return text;
}

QString ExportText(const TExportResult& r) {
    const QString path = QString::fromUtf8(r.path.c_str());
    const QString reason = FileFailureReason(r.detail, TFileAccess::kWrite);
    const QString unchanged =
        QStringLiteral(" Eine schon vorhandene Datei dieses Namens ist unverändert.");
    switch (r.code) {
    case TExportCode::kOk:
        return {};
    case TExportCode::kCannotCreate:
        // The advice to close the file elsewhere only when another program really holds it.
        return QStringLiteral("Die Datei ") + path +
               QStringLiteral(" konnte nicht erstellt werden!") +
               (frontend::FileInUse(r.detail)
                    ? QStringLiteral(" Bitte schließen Sie diese Datei im Acrobat Reader, falls "
                                     "diese offen sein sollte!")
                    : QString()) +
               (reason.isEmpty() ? QString() : QLatin1Char(' ') + reason);
    case TExportCode::kWriteError:
        return QStringLiteral("Die Datei ") + path +
               QStringLiteral(" konnte nicht vollständig geschrieben werden. ") + reason +
               unchanged;
    case TExportCode::kCannotReplace:
        return QStringLiteral("Die Datei ") + path +
               QStringLiteral(" konnte nicht durch die neue ersetzt werden. ") + reason + unchanged;
    case TExportCode::kCompressError:
        return QStringLiteral("error");
    case TExportCode::kFileTooLarge:
        return QStringLiteral("Die PDF-Datei ") + path +
               QStringLiteral(" würde größer als 4 GB und kann so nicht geschrieben werden. Bitte "
                              "teilen Sie die Diaschau auf mehrere Dateien auf.");
    case TExportCode::kCancelled:
        return QStringLiteral("Der PDF-Export wurde abgebrochen.");
    case TExportCode::kVideoEncoder:
        return QStringLiteral("Das Video ") + path +
               QStringLiteral(" konnte nicht kodiert werden (H.264/AAC-Kodierer nicht verfügbar "
                              "oder fehlgeschlagen).") +
               unchanged;
    case TExportCode::kMusicUnreadable:
        return QStringLiteral("Die Musikdatei kann nicht gelesen werden oder enthält keinen Ton; "
                              "das Video ") +
               path + QStringLiteral(" wurde nicht geschrieben.") + unchanged;
    }
    return {};
}

QString HtmlShowText(const TExportResult& r) {
    if (r.code == TExportCode::kCannotCreate)
        return QStringLiteral("Die Datei ") + QString::fromUtf8(r.path.c_str()) +
               QStringLiteral(" konnte nicht erstellt werden!") +
               (r.detail ? QLatin1Char(' ') + FileFailureReason(r.detail, TFileAccess::kWrite)
                         : QString());
    return ExportText(r);
}

QString VideoText(const TExportResult& r, const QString& musicFile) {
    if (r.code == TExportCode::kMusicUnreadable) return MusicUnusableText(musicFile, false);
    return HtmlShowText(r);
}

QString MusicUnusableText(const QString& musicFile, bool missing) {
    return QStringLiteral("Die Musikdatei ") + musicFile +
           (missing ? QStringLiteral(" wurde nicht gefunden.")
                    : QStringLiteral(" kann nicht gelesen werden oder enthält keinen Ton.")) +
           QStringLiteral(" Das Video wurde nicht geschrieben. Bitte wählen Sie mit „Musik...“ "
                          "eine andere Datei oder entfernen Sie die Musik.");
}

QString TakenOverText(int takenOver, int photos) {
    return QStringLiteral("%1 von %2 Fotos verlustfrei übernommen").arg(takenOver).arg(photos);
}

QString PrintOutcomeMessage(TPrintOutcome outcome) {
    switch (outcome) {
    case TPrintOutcome::Printed:
        return {};
    case TPrintOutcome::NoPrinter:
        return QStringLiteral("Es ist kein Drucker eingerichtet. Bitte richten Sie zuerst einen "
                              "Drucker ein.");
    case TPrintOutcome::EmptyPage:
        return QStringLiteral("Der Drucker meldet keine Seitengröße. Bitte prüfen Sie die "
                              "Druckereinstellungen.");
    case TPrintOutcome::EmptyImage:
        return QStringLiteral("Es ist kein Bild zum Drucken geladen.");
    case TPrintOutcome::JobRefused:
        return QStringLiteral("Der Druckauftrag konnte nicht gestartet werden.");
    }
    return {};
}

QString MissingCharactersText(const std::u32string& missing, TExportKind kind) {
    QString list;
    for (char32_t c : missing)
        list +=
            QStringLiteral(" U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
    if (kind == TExportKind::Video)
        return QStringLiteral("Das Video wurde erzeugt. Für diese Zeichen der Bildtexte ist keine "
                              "Schrift installiert; sie fehlen im Video:") +
               list;
    return QStringLiteral("Die PDF-Datei wurde erzeugt. Für diese Zeichen der Bildtexte ist keine "
                          "Schrift installiert; sie fehlen auf den Fotoseiten:") +
           list;
}

QString PhotoProblemText(TPhotoProblem problem) {
    switch (problem) {
    case TPhotoProblem::kMissing:
        return QStringLiteral("Die Datei wurde nicht gefunden.");
    case TPhotoProblem::kUnreadable:
        return QStringLiteral("Die Datei kann nicht gelesen werden.");
    case TPhotoProblem::kEmpty:
        return QStringLiteral("Die Datei ist leer.");
    case TPhotoProblem::kNotAPicture:
        return QStringLiteral("Die Datei ist kein Bild oder hat ein unbekanntes Format.");
    case TPhotoProblem::kDamaged:
        return QStringLiteral("Das Bild ist beschädigt.");
    case TPhotoProblem::kNotEncoded:
        return QStringLiteral("Das Bild konnte nicht als JPEG gespeichert werden.");
    }
    return {};
}

namespace {

QString ExportMadeText(TExportKind kind) {
    switch (kind) {
    case TExportKind::Html:
        return QStringLiteral("Die HTML-Diashow wurde erzeugt. ");
    case TExportKind::Video:
        return QStringLiteral("Das Video wurde erzeugt. ");
    case TExportKind::Pdf:
        break;
    }
    return QStringLiteral("Die PDF-Datei wurde erzeugt. ");
}

} // namespace

QString UnreadablePhotosText(const std::vector<TUnreadablePhoto>& photos, TExportKind kind) {
    constexpr size_t kListed = 10;
    const int n = static_cast<int>(photos.size());
    QString text = ExportMadeText(kind) +
                   (n == 1 ? QStringLiteral("Ein Foto konnte nicht gelesen werden und ist darin "
                                            "ein schwarzes Bild:\n")
                           : QStringLiteral("%1 Fotos konnten nicht gelesen werden und sind darin "
                                            "schwarze Bilder:\n")
                                 .arg(n));
    for (size_t i = 0; i < photos.size() && i < kListed; ++i) {
        const TUnreadablePhoto& p = photos[i];
        text += QStringLiteral("\nFoto %1: %2 – %3")
                    .arg(p.Number)
                    .arg(QString::fromUtf8(p.FileName.c_str()), PhotoProblemText(p.Problem));
    }
    if (photos.size() > kListed)
        text += QStringLiteral("\nund %1 weitere").arg(photos.size() - kListed);
    return text;
}

QString BrokenProfilesText(const std::vector<TProfileWarning>& photos, TExportKind kind) {
    constexpr size_t kListed = 10;
    const int n = static_cast<int>(photos.size());
    QString text = ExportMadeText(kind) +
                   (n == 1 ? QStringLiteral("Das Farbprofil eines Fotos ist beschädigt oder passt "
                                            "nicht zum Bild; seine Farben wurden unverändert "
                                            "übernommen:\n")
                           : QStringLiteral("Die Farbprofile von %1 Fotos sind beschädigt oder "
                                            "passen nicht zum Bild; ihre Farben wurden "
                                            "unverändert übernommen:\n")
                                 .arg(n));
    for (size_t i = 0; i < photos.size() && i < kListed; ++i)
        text += QStringLiteral("\nFoto %1: %2")
                    .arg(photos[i].Number)
                    .arg(QString::fromUtf8(photos[i].FileName.c_str()));
    if (photos.size() > kListed)
        text += QStringLiteral("\nund %1 weitere").arg(photos.size() - kListed);
    return text;
}

QString ExportProgressText(int done, int total, bool writing) {
    if (writing) return QStringLiteral("Datei wird geschrieben...");
    return QStringLiteral("Foto %1 von %2").arg(std::min(done + 1, total)).arg(total);
}

QString ExportDoneText(const QString& fileName, int photos, double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    return QStringLiteral("%1 geschrieben: %2 in %3:%4")
        .arg(fileName,
             photos == 1 ? QStringLiteral("1 Foto") : QStringLiteral("%1 Fotos").arg(photos))
        .arg(s / 60)
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString ExportCancelledText() {
    return QStringLiteral("Export abgebrochen, keine Datei geschrieben.");
}

QString OpenResultFailedText(const QString& path, TExportKind kind) {
    const QString text =
        QStringLiteral("Die Datei %1 wurde erzeugt, konnte aber nicht angezeigt werden. ")
            .arg(path);
    switch (kind) {
    case TExportKind::Html:
        return text + QStringLiteral("Es ist kein Browser eingerichtet, der sie öffnen kann.");
    case TExportKind::Video:
        return text + QStringLiteral("Es ist kein Programm zum Abspielen von Videos eingerichtet.");
    case TExportKind::Pdf:
        break;
    }
    return text + QStringLiteral("Es ist kein Programm zum Anzeigen von PDF-Dateien eingerichtet.");
}

QString DrawDibText(DrawDibResult result) {
    switch (result) {
    case DrawDibResult::kDrawn:
        return {};
    case DrawDibResult::kNoBitmap:
        return QStringLiteral("Konnte Bitmap nicht erzeugen!");
    case DrawDibResult::kNoSetRows:
        return QStringLiteral("Das Gerät unterstützt die Funtkion setdibits nicht!");
    case DrawDibResult::kNoStretch:
        return QStringLiteral("Das Gerät unterstützt die Funktion StretchBlt nicht!");
    }
    return {};
}

QString OpenKindText(TDibOpenKind kind) {
    switch (kind) {
    case TDibOpenKind::AllPictures:
        return QStringLiteral("Alle Bilddateien");
    case TDibOpenKind::Jpeg:
        return QStringLiteral("JPEG-Bilder (*.jpg, *.jpeg)");
    case TDibOpenKind::Png:
        return QStringLiteral("PNG-Bilder (*.png)");
    case TDibOpenKind::Bmp:
        return QStringLiteral("Windows-Bitmaps (*.bmp)");
    case TDibOpenKind::Gif:
        return QStringLiteral("GIF-Bilder (*.gif)");
    case TDibOpenKind::Tiff:
        return QStringLiteral("TIFF-Bilder (*.tif, *.tiff)");
    case TDibOpenKind::WebP:
        return QStringLiteral("WebP-Bilder (*.webp)");
    case TDibOpenKind::Heif:
        return QStringLiteral("HEIC/HEIF-Bilder (*.heic, *.heif)");
    case TDibOpenKind::AllFiles:
        return QStringLiteral("Alle Dateien (*.*)");
    }
    return {};
}

QString CaptionHintsText(const std::vector<TCaptionHint>& hints) {
    QStringList lines;
    for (TCaptionHint h : hints) {
        switch (h) {
        case TCaptionHint::NoFontSize:
            lines << QStringLiteral("Hinweis: Bei Schriftgröße 0 erscheinen keine Bildtexte.");
            break;
        case TCaptionHint::OutsideHorizontal:
            lines << QStringLiteral("Hinweis: Textposition X liegt außerhalb von 0 bis 100 %; "
                                    "die Bildtexte liegen außerhalb des Bildes.");
            break;
        case TCaptionHint::OutsideVertical:
            lines << QStringLiteral("Hinweis: Textposition Y liegt außerhalb von 0 bis 100 %; "
                                    "die Bildtexte liegen außerhalb des Bildes.");
            break;
        case TCaptionHint::TextLikeBackground:
            lines << QStringLiteral("Hinweis: Textfarbe und Textumrandung gleichen der "
                                    "Hintergrundfarbe; die Bildtexte sind nicht zu sehen.");
            break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace lumeno::ui
