#include "lumeno/frontend/shared_words.h"

#include <cerrno>
#include <cstring>

namespace lumeno::frontend {

const TNamedColour kNamedColours[kNamedColourCount] = {
    {"Schwarz", "Black", "Noir", 0x000000},
    {"Dunkelrot", "Maroon", "Rouge foncé", 0x000080},
    {"Grün", "Green", "Vert", 0x008000},
    {"Oliv", "Olive", "Marron clair", 0x008080},
    {"Dunkelblau", "Navy", "Bleu foncé", 0x800000},
    {"Purpur", "Purple", "Violet", 0x800080},
    {"Grünblau", "Teal", "Bleu-vert", 0x808000},
    {"Grau", "Gray", "Gris", 0x808080},
    {"Silber", "Silver", "Argenté", 0xC0C0C0},
    {"Rot", "Red", "Rouge", 0x0000FF},
    {"Hellgrün", "Lime", "Vert", 0x00FF00},
    {"Gelb", "Yellow", "Jaune", 0x00FFFF},
    {"Blau", "Blue", "Bleu", 0xFF0000},
    {"Rosa", "Fuchsia", "Fuchsia", 0xFF00FF},
    {"Hellblau", "Aqua", "Vert d'eau", 0xFFFF00},
    {"Weiß", "White", "Blanc", 0xFFFFFF},
};

TDocumentWords DocumentWords() {
    return {.PhotoPagesTextPage = {"Diese Datei enthält zusätzlich eine animierte Präsentation",
                                   "für Betrachter mit SVG-Unterstützung.",
                                   "Die Fotos davor laufen in der Präsentationsansicht von "
                                   "selbst ab."},
            .HtmlLanguage = "de",
            .HtmlTitle = "Diashow"};
}

std::string FileFailureSentence(int error, TFileAccess access) {
    const bool reading = access == TFileAccess::kRead;
    switch (error) {
    case 0:
        return {};
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "Auf dem Datenträger ist nicht genug Platz.";
    case EACCES:
    case EPERM:
        return reading ? "Keine Berechtigung, diese Datei zu lesen."
                       : "Keine Berechtigung, in diesen Ordner zu schreiben.";
    case EROFS:
        return "Der Datenträger ist schreibgeschützt.";
    case ENOENT:
        return reading ? "Die Datei wurde nicht gefunden." : "Der Ordner existiert nicht.";
    case ENOTDIR:
        return "Der Ordner existiert nicht.";
    case EISDIR:
        return "Unter diesem Namen gibt es einen Ordner.";
    case EBUSY:
    case ETXTBSY:
        return "Die Datei wird gerade von einem anderen Programm benutzt.";
    case ENAMETOOLONG:
        return "Der Dateiname ist zu lang.";
    case EIO:
        return "Der Datenträger meldet einen Lese- oder Schreibfehler.";
    case ENOMEM:
        return "Nicht genug Arbeitsspeicher.";
    case EMFILE:
    case ENFILE:
        return "Es sind zu viele Dateien zugleich geöffnet.";
    default:
        return "Das System meldet Fehler " + std::to_string(error) + ": " + std::strerror(error) +
               ".";
    }
}

bool FileInUse(int error) {
    return error == EBUSY || error == ETXTBSY;
}

} // namespace lumeno::frontend
