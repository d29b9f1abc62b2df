#include "messages.h"

#include "lumeno/frontend/shared_words.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumeno::cli {

namespace {

std::string Str(std::string_view s) {
    return std::string(s);
}

std::string Decimal(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    std::string s = buf;
    for (char& c : s)
        if (c == '.') c = ','; // German display
    return s;
}

std::string Duration(double seconds) {
    long s = static_cast<long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

} // namespace

std::string_view Usage() {
    return "Aufruf:\n"
           "  lumeno-export [Optionen] SHOW.lmo AUSGABE.pdf\n"
           "  lumeno-export [Optionen] -o AUSGABE.pdf [--captions] FOTO...\n"
           "  lumeno-export [Optionen] --html AUSGABE.html SHOW.lmo|FOTO...\n"
           "  lumeno-export [Optionen] --video SHOW.mp4 SHOW.lmo|FOTO...\n"
           "  lumeno-export [Optionen] --save-show NEU.lmo SHOW.lmo|FOTO...\n"
           "\n"
           "Exportiert eine Diaschau als PDF-Datei mit animierter Präsentation.\n"
           "\n"
           "Optionen:\n"
           "  -o, --output DATEI  die PDF-Datei, die geschrieben wird (mit Fotos auf der "
           "Befehlszeile)\n"
           "  --captions          die Dateinamen der Fotos als Bildtexte verwenden\n"
           "  --jobs N            Fotos mit N Threads vorbereiten (Standard: Anzahl der Kerne)\n"
           "  --fullscreen        die Präsentation im Vollbild starten\n"
           "  --pages             Fotos zusätzlich als Seiten (Diashow in jedem PDF-Betrachter)\n"
           "  --html DATEI        die Diashow außerdem als HTML-Datei speichern (spielt in jedem\n"
           "                      Browser, ohne Skripte); ohne PDF-Datei nur die HTML-Datei\n"
           "  --loop              die HTML-Diashow endlos wiederholen\n"
           "  --html-full-size    die Fotos der HTML-Diashow in voller Größe einbetten (sonst\n"
           "                      höchstens 2560 x 1440 Pixel)\n"
           "  --keep-jpeg         JPEG-Daten der Fotos unverändert übernehmen, wo ein "
           "PDF-Betrachter\n"
           "                      sie so zeigen kann (schneller, ohne Qualitätsverlust)\n"
           "  --open              die PDF-Datei nach dem Erzeugen anzeigen\n"
           "  --save-show DATEI   die Diaschau außerdem als Projektdatei (.lmo) speichern;\n"
           "                      ohne PDF- und HTML-Datei nur die Projektdatei\n"
           "  --video DATEI       die Diashow außerdem als Video (MP4, H.264) speichern; ohne\n"
           "                      PDF-Datei nur das Video\n"
           "  --video-size BxH    Größe des Videos in Pixeln, gerade Zahlen, 320 bis 7680 x 240\n"
           "                      bis 4320 (Standard: 1920x1080)\n"
           "  --fps N             Bilder pro Sekunde des Videos, 10 bis 60 (Standard: 30)\n"
           "  --music DATEI       Musik für das Video (MP3, AAC/M4A, OGG/Opus, FLAC, WAV ...);\n"
           "                      wiederholt, am Ende auf die Länge der Diashow ausgeblendet\n"
           "\n"
           "Einstellungen der Diaschau (mit einer Projektdatei gelten sie nur für diesen "
           "Export):\n"
           "  --fade MS           Überblenddauer in Millisekunden, 1 bis 1000000 (Standard: "
           "1000)\n"
           "  --pause MS          Pausendauer in Millisekunden, 1 bis 1000000 (Standard: 3000)\n"
           "  --crossfade         überblenden statt ein- und ausblenden\n"
           "  --background FARBE  Hintergrundfarbe (Standard: Weiß)\n"
           "  --text-color FARBE  Textfarbe (Standard: Gelb)\n"
           "  --outline-color FARBE  Textumrandung (Standard: Schwarz)\n"
           "  --text-x N          Textposition X in Prozent (Standard: 2)\n"
           "  --text-y N          Textposition Y in Prozent (Standard: 95)\n"
           "  --font-size N       Schriftgröße (Standard: 40)\n"
           "  Zahlen dürfen \".\" oder \",\" als Dezimalzeichen haben; sie werden zur Null hin\n"
           "  abgeschnitten (2,9 wird 2). FARBE ist ein Name der Farbliste (Schwarz, Dunkelrot,\n"
           "  Grün, Oliv, Dunkelblau, Purpur, Grünblau, Grau, Silber, Rot, Hellgrün, Gelb, "
           "Blau,\n"
           "  Rosa, Hellblau, Weiß) oder #RRGGBB.\n"
           "\n"
           "  -h, --help          diese Hilfe zeigen\n"
           "\n"
           "Der Fortschritt und die Warnungen erscheinen auf der Standardfehlerausgabe.\n"
           "\n"
           "Exit-Code:\n"
           "  0  die Dateien wurden geschrieben\n"
           "  1  die Dateien wurden geschrieben, mit Warnungen (z. B. Fotos, die nicht gelesen\n"
           "     werden konnten und als schwarzes Bild eingefügt sind)\n"
           "  2  falsche Befehlszeile; es wurde nichts geschrieben\n"
           "  3  Fehler; eine schon vorhandene Ausgabedatei ist unverändert\n";
}

std::string UnknownOption(std::string_view option) {
    return "Unbekannte Option: " + Str(option) + "\n" + Str(Usage());
}

std::string MissingPdfName(std::string_view option) {
    return "Nach " + Str(option) + " fehlt der Name der PDF-Datei.";
}

std::string MissingHtmlName(std::string_view option) {
    return "Nach " + Str(option) + " fehlt der Name der HTML-Datei.";
}

std::string MissingProjectName(std::string_view option) {
    return "Nach " + Str(option) + " fehlt der Name der Projektdatei (.lmo).";
}

std::string MissingVideoName(std::string_view option) {
    return "Nach " + Str(option) + " fehlt der Name der Videodatei (.mp4).";
}

std::string BadVideoSize(std::string_view option, std::string_view value) {
    return Str(option) + ": „" + Str(value) +
           "“ ist nicht erlaubt. Erlaubt ist BREITExHÖHE mit geraden Zahlen, die Breite von " +
           std::to_string(kVideoMinWidth) + " bis " + std::to_string(kVideoMaxWidth) +
           ", die Höhe von " + std::to_string(kVideoMinHeight) + " bis " +
           std::to_string(kVideoMaxHeight) + " (z. B. 1920x1080).";
}

std::string VideoOptionsWithoutVideo() {
    return "--video-size, --fps und --music gelten nur zusammen mit --video DATEI.";
}

std::string VideoIsInputOrOutput(std::string_view video) {
    return "Die Videodatei " + Str(video) +
           " ist zugleich eine Eingabe-, Musik-, PDF- oder HTML-Datei und würde überschrieben. "
           "Bitte einen anderen Namen wählen.";
}

std::string MusicUnreadable(std::string_view option, std::string_view path) {
    return Str(option) + ": „" + Str(path) +
           "“ fehlt oder enthält keinen lesbaren Ton. Erlaubt ist eine Audiodatei (z. B. MP3, "
           "AAC/M4A, OGG/Opus, FLAC, WAV).";
}

std::string MissingValue(std::string_view option) {
    return "Nach " + Str(option) + " fehlt ein Wert.";
}

std::string BadNumber(std::string_view option, std::string_view value, int64_t lo, int64_t hi) {
    return Str(option) + ": „" + Str(value) + "“ ist nicht erlaubt. Erlaubt ist eine Zahl von " +
           std::to_string(lo) + " bis " + std::to_string(hi) + ".";
}

std::string BadColour(std::string_view option, std::string_view value) {
    std::string names;
    for (const frontend::TNamedColour& c : frontend::kNamedColours)
        names += Str(c.Deutsch) + ", ";
    return Str(option) + ": „" + Str(value) + "“ ist keine Farbe. Erlaubt sind " + names +
           "oder #RRGGBB (z. B. #FF8000).";
}

std::string NoPhotos() {
    return "Es wurden keine Fotos angegeben.";
}

std::string NeedProjectOrPhotos() {
    return "Bitte eine Projektdatei (.lmo) und die PDF-Datei angeben, oder -o PDF-Datei und "
           "Fotos.\n" +
           Str(Usage());
}

std::string CaptionsOnlyForPhotos() {
    return "--captions gilt nur für Fotos auf der Befehlszeile.";
}

std::string PdfIsInput(std::string_view pdf, std::string_view input) {
    return "Die PDF-Datei " + Str(pdf) + " ist zugleich eine Eingabedatei (" + Str(input) +
           ") und würde überschrieben. Bitte einen anderen Namen wählen.";
}

std::string HtmlIsInputOrPdf(std::string_view html) {
    return "Die HTML-Datei " + Str(html) +
           " ist zugleich eine Eingabe- oder PDF-Datei und würde überschrieben. Bitte einen "
           "anderen Namen wählen.";
}

std::string ProjectIsInputOrOutput(std::string_view project) {
    return "Die Projektdatei " + Str(project) +
           " ist zugleich eine Eingabe-, PDF- oder HTML-Datei und würde überschrieben. Bitte "
           "einen anderen Namen wählen.";
}

std::string ProjectFileText(ProjectFileError code) {
    switch (code) {
    case ProjectFileError::None:
        return {};
    case ProjectFileError::CannotCreate:
        return "Fehler: Konnte Datei nicht erstellen...";
    case ProjectFileError::CannotOpen:
        return "Fehler: Konnte Datei nicht öffnen...";
    case ProjectFileError::NotLumeno:
        return "Fehler: Die Datei ist keine gültige PDF Lumeno Datei...";
    case ProjectFileError::Damaged:
        return "Fehler: Die Datei ist beschädigt oder unvollständig. Nur die vollständig "
               "erhaltenen Fotos und Einstellungen wurden gelesen...";
    case ProjectFileError::WriteFailed:
        return "Fehler: Konnte Datei nicht vollständig schreiben. Eine schon vorhandene Datei "
               "dieses Namens ist unverändert...";
    case ProjectFileError::TrailingData:
        return "Warnung: Die Datei enthält nach den Einstellungen weitere Daten, die nicht "
               "gelesen wurden...";
    }
    return {};
}

std::string ProjectReadFailed(std::string_view path, ProjectFileError code, int detail) {
    std::string text = Str(path) + ": " + ProjectFileText(code);
    if (detail != 0) text += " " + FileFailureReason(detail, TFileAccess::kRead);
    return text;
}

std::string ProjectWriteFailed(std::string_view path, const ProjectWriteResult& result) {
    std::string text = Str(path) + ": " + ProjectFileText(result.code);
    if (result.detail != 0) text += " " + FileFailureReason(result.detail, TFileAccess::kWrite);
    return text;
}

std::string ExportFailed(const TExportResult& r) {
    const std::string reason = FileFailureReason(r.detail, TFileAccess::kWrite);
    const std::string unchanged = " Eine schon vorhandene Datei dieses Namens ist unverändert.";
    switch (r.code) {
    case TExportCode::kOk:
        return {};
    case TExportCode::kCannotCreate:
        // The advice to close the file elsewhere only when another program really holds it.
        return "Die Datei " + r.path + " konnte nicht erstellt werden!" +
               (frontend::FileInUse(r.detail) ? " Bitte schließen Sie diese Datei im Acrobat "
                                                "Reader, falls diese offen sein sollte!"
                                              : "") +
               (reason.empty() ? "" : " " + reason);
    case TExportCode::kWriteError:
        return "Die Datei " + r.path + " konnte nicht vollständig geschrieben werden. " + reason +
               unchanged;
    case TExportCode::kCannotReplace:
        return "Die Datei " + r.path + " konnte nicht durch die neue ersetzt werden. " + reason +
               unchanged;
    case TExportCode::kCompressError:
        return "error";
    case TExportCode::kFileTooLarge:
        return "Die PDF-Datei " + r.path +
               " würde größer als 4 GB und kann so nicht geschrieben werden. Bitte teilen Sie "
               "die Diaschau auf mehrere Dateien auf.";
    case TExportCode::kCancelled:
        return "Der PDF-Export wurde abgebrochen.";
    case TExportCode::kVideoEncoder:
        return "Das Video " + r.path +
               " konnte nicht kodiert werden (H.264/AAC-Kodierer nicht verfügbar oder "
               "fehlgeschlagen)." +
               unchanged;
    case TExportCode::kMusicUnreadable:
        return "Die Musikdatei kann nicht gelesen werden oder enthält keinen Ton; das Video " +
               r.path + " wurde nicht geschrieben." + unchanged;
    }
    return {};
}

std::string HtmlFailed(const TExportResult& r) {
    if (r.code == TExportCode::kCannotCreate)
        return "Die Datei " + r.path + " konnte nicht erstellt werden!" +
               (r.detail ? " " + FileFailureReason(r.detail, TFileAccess::kWrite) : "");
    return ExportFailed(r);
}

std::string VideoFailed(const TExportResult& r) {
    if (r.code == TExportCode::kCancelled) return "Der Video-Export wurde abgebrochen.";
    return HtmlFailed(r);
}

std::string ProgressLine(int done, int total, double elapsedSeconds, int loadingPercent) {
    std::string line = "Foto " + std::to_string(done) + " von " + std::to_string(total);
    if (done > 0 && elapsedSeconds > 0) {
        const double rate = done / elapsedSeconds;
        line += " | " + Decimal(rate, 1) + " Fotos/s";
        if (done < total) line += " | noch " + Duration((total - done) / rate);
    }
    if (loadingPercent >= 0 && done < total)
        line += " | Foto " + std::to_string(done + 1) + " lädt: " + std::to_string(loadingPercent) +
                " %";
    return line;
}

std::string PhotoProblemText(TPhotoProblem problem) {
    switch (problem) {
    case TPhotoProblem::kMissing:
        return "Die Datei wurde nicht gefunden.";
    case TPhotoProblem::kUnreadable:
        return "Die Datei kann nicht gelesen werden.";
    case TPhotoProblem::kEmpty:
        return "Die Datei ist leer.";
    case TPhotoProblem::kNotAPicture:
        return "Die Datei ist kein Bild oder hat ein unbekanntes Format.";
    case TPhotoProblem::kDamaged:
        return "Das Bild ist beschädigt.";
    case TPhotoProblem::kNotEncoded:
        return "Das Bild konnte nicht als JPEG gespeichert werden.";
    }
    return {};
}

std::string UnreadablePhotoLine(const TUnreadablePhoto& photo) {
    return "Warnung: Foto " + std::to_string(photo.Number) +
           " ist ein schwarzes Bild: " + photo.FileName + ": " + PhotoProblemText(photo.Problem);
}

std::string BrokenProfileLine(const TProfileWarning& photo) {
    return "Warnung: Foto " + std::to_string(photo.Number) + ": " + photo.FileName +
           ": Das Farbprofil ist beschädigt oder passt nicht zum Bild; die Farben wurden "
           "unverändert übernommen.";
}

std::string PdfWritten(const TExportResult& result) {
    std::string summary = "PDF-Datei geschrieben: " + result.path + " (" +
                          std::to_string(result.photos) + (result.photos == 1 ? " Foto" : " Fotos");
    if (result.takenOver > 0)
        summary += ", " + std::to_string(result.takenOver) +
                   (result.takenOver == 1 ? " JPEG" : " JPEGs") + " unverändert übernommen";
    if (result.blackPictures > 0)
        summary += ", " + std::to_string(result.blackPictures) +
                   " nicht lesbar und als schwarzes Bild eingefügt";
    if (result.fallbackPictures > 0)
        summary += ", " + std::to_string(result.fallbackPictures) +
                   " konnten nicht als JPEG gespeichert werden und sind schwarz";
    summary += ")";
    if (!result.missingCharacters.empty()) {
        summary += "\nFür diese Zeichen der Bildtexte ist keine Schrift installiert; sie fehlen "
                   "auf den Fotoseiten:";
        for (char32_t c : result.missingCharacters) {
            char code[16];
            std::snprintf(code, sizeof code, " U+%04X", static_cast<unsigned>(c));
            summary += code;
        }
    }
    return summary;
}

std::string HtmlWritten(std::string_view path) {
    return "HTML-Diashow geschrieben: " + Str(path);
}

std::string VideoWritten(std::string_view path) {
    return "Video geschrieben: " + Str(path);
}

std::string ProjectWritten(std::string_view path) {
    return "Projektdatei geschrieben: " + Str(path);
}

} // namespace lumeno::cli
